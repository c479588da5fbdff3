#include <unistd.h>

#include <csignal>

#include "console.h"

namespace station_check {

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

std::FILE* TemporaryFile() {
  return std::tmpfile();
}

void ReadStandardInputToItsEnd() {
  if (!isatty(STDIN_FILENO)) std::signal(SIGINT, SIG_IGN);
}

// Terminals take the locale's text, UTF-8 on the systems this program is for.
void Write(std::FILE* stream, const std::string& text) {
  std::fputs(text.c_str(), stream);
}

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) == 1;
}

// A terminal's window belongs to the shell that runs the program.
bool HasOwnConsoleWindow() {
  return false;
}

void WaitForKey(const char*) {}

bool OpenWithItsProgram(const std::string&) {
  return false;
}

}  // namespace station_check
