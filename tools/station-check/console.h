#pragma once

#include <cstdio>
#include <string>
#include <vector>

// What station-check needs of the system it runs on beyond standard C++: file names and
// arguments in UTF-8, standard input as bytes, and the window it was started in.
namespace station_check {

// The command line's arguments after the program's name, in UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

// std::fopen for a file named in UTF-8.
std::FILE* OpenFile(const std::string& name, const char* mode);

// An empty file for reading and writing, removed when it is closed.
std::FILE* TemporaryFile();

// Prepares standard input to be read to its end as bytes. Where it is not a terminal, an
// interrupt (Ctrl-C at the end of "virtual-board --json | station-check") ends only the
// program writing into it; this one goes on to judge what it got.
void ReadStandardInputToItsEnd();

// Writes the program's text, which is UTF-8 (file names included), to stdout or stderr, so that
// a console shows it as it is.
void Write(std::FILE* stream, const std::string& text);

// Whether stream goes to a terminal (a console window), where a progress line can be redrawn.
bool IsTerminal(std::FILE* stream);

// Whether the program has a console window of its own, as when Explorer starts it (a file
// dropped onto it, a double click), rather than one it shares with a command prompt.
bool HasOwnConsoleWindow();

// Shows prompt and waits for a key in that window.
void WaitForKey(const char* prompt);

// Opens a file in the program the desktop opens its kind with (a page in the browser), for a
// program with a window of its own; false where it could not.
bool OpenWithItsProgram(const std::string& file);

}  // namespace station_check
