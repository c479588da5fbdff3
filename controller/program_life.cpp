#include "program_life.h"

#include <cstdio>
#include <exception>

#include "runtime_error.h"

namespace orlanek {
namespace {

ProgramHost* host = nullptr;
bool ending = false;
int exit_status = 0;
int depth = 0;

void Fail(const std::string& event, const char* what) {
  const std::string message =
      "Run-time error in " + event + ":\n" + what + "\n\nOrlanek will now end.";
  std::fprintf(stderr, "Orlanek: run-time error in %s: %s\n", event.c_str(), what);
  ending = true;  // set first, so that nothing is handled while the message is up
  exit_status = kFatalErrorStatus;
  if (host) {
    host->ShowFatalError(message);
    host->Quit(kFatalErrorStatus);
  }
}

}  // namespace

void SetProgramHost(ProgramHost* new_host) {
  host = new_host;
}

void DeliverEvent(const std::string& event, const std::function<void()>& handler) {
  if (ending) return;
  if (depth > 0) {
    handler();
    return;
  }
  ++depth;
  try {
    handler();
  } catch (const std::exception& error) {
    Fail(event, error.what());
  } catch (...) {
    Fail(event, "unknown error");
  }
  --depth;
}

void EndProgram(int status) {
  if (ending) return;
  ending = true;
  exit_status = status;
  if (host) host->Quit(status);
}

bool ProgramEnding() {
  return ending;
}
int ProgramExitStatus() {
  return exit_status;
}

void ResetProgramLife() {
  ending = false;
  exit_status = 0;
}

}  // namespace orlanek
