#pragma once
// The command line: `jumincheck [--root DIR] [COMMAND ...]`. Without a
// command the window opens; a command runs the same handlers headless, on the
// same start-up, with the models instead of widgets.
//
// Conventions of every command: grids go to stdout as tab-separated lines,
// header row first, every column (the zero-width ones too); message and error
// boxes go to stderr as lines beginning "message: " and "error: "; the final
// status line goes to stderr as "status: " + text; progress goes to stderr
// (a bar on a terminal, else a "progress: " line every few seconds). Ctrl+C
// stops the operation at its next statement boundary. Exit status: 0 when the handler ended
// normally, 1 when an error box was shown (or the command failed), 2 for
// wrong usage, 130 stopped by Ctrl+C.
#include <iosfwd>
#include <string>
#include <vector>

#include "ui/ResultGrid.h"

namespace jc::app {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// Stopped by Ctrl+C at a statement boundary (as a shell reports SIGINT).
inline constexpr int kExitStopped = 130;

struct CliOptions {
  std::string root;     // the folder that stands for "C:\"
  std::string command;  // empty: open the window
  std::vector<std::string> args;
  bool technician = false;  // open the window in the technician's view
};

// Parses the options. Returns false when the process should end at once
// with exitCode (after --help, or on wrong usage, having printed why).
bool ParseCommandLine(int argc, char** argv, CliOptions& options, std::ostream& out,
                      std::ostream& err, int& exitCode);

// Whether the window has somewhere to open. Linux: a display (DISPLAY,
// WAYLAND_DISPLAY) or a Qt platform that needs none (QT_QPA_PLATFORM,
// -platform); without one Qt would abort. Windows: always, the desktop.
bool WindowCanOpen(int argc, char** argv);

// Runs options.command and returns the exit status.
int RunCommand(const CliOptions& options, std::ostream& out, std::ostream& err);

// Tab-separated lines, header row first, every column.
void PrintGrid(const ui::ResultGrid& grid, std::ostream& out);
// One tab-separated line; tabs and line breaks inside a cell become blanks,
// so every row stays one line.
void PrintTsvRow(const std::vector<std::string>& cells, std::ostream& out);

// The help; in Korean under a Korean locale.
void PrintUsage(std::ostream& out);
// Whether the command line's own messages (help, usage, prompts) are Korean:
// a locale whose language is Korean (LC_ALL, LC_MESSAGES, LANG; on Windows
// the user's display language). The boxes' texts are the same either way.
bool KoreanMessages();

}  // namespace jc::app
