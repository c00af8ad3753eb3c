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
// Ctrl+C ends the process at once on both systems (the systems' default
// handling, kept on purpose): every statement the tool sends commits on its
// own, so an interrupted operation leaves at most the one statement the
// server then rolls back; an operation can be run again.
void PrepareConsole();

}  // namespace jc::app
