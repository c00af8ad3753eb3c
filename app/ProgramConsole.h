#pragma once
// The process's command line and console as the program entry meets them.
// Inside, every text is UTF-8.
#include <string>
#include <vector>

namespace jc::app {

// The command line as UTF-8 texts, the program first. On Windows it is read
// as the system keeps it, in UTF-16 (a Hangul argument survives whatever the
// ANSI code page); elsewhere argv is already UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes stdout and stderr show the tool's UTF-8 as text. On Windows: in a
// console window each text is written as UTF-16, so Hangul shows whatever the
// console's code page; redirected to a file or a pipe, the bytes go out
// unchanged (UTF-8, lines ending in "\n", as on Linux). Elsewhere nothing
// needs doing.
//
// Ctrl+C is handled by the console shell on both systems (the C runtime's
// SIGINT, which Windows raises from its console control handler): the running
// operation stops at its next statement boundary.
void PrepareConsole();

}  // namespace jc::app
