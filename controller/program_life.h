#pragma once

#include <functional>
#include <string>

namespace orlanek {

// What the platform does when the program ends or fails; the toolkit provides one, tests
// provide one that records instead of blocking on a dialog.
class ProgramHost {
 public:
  virtual ~ProgramHost() = default;
  // Shows the one modal error message before the program ends.
  virtual void ShowFatalError(const std::string& message) = 0;
  // Ends the program with this exit status; no window event is handled after it.
  virtual void Quit(int status) = 0;
};

void SetProgramHost(ProgramHost* host);

// Every window event reaches its handler through here. A run-time error inside the handler
// is reported once and ends the program with a non-zero status. Once the program is ending,
// events are dropped. Nested deliveries (a load raised by a touch inside a handler) run
// inside the outer one.
void DeliverEvent(const std::string& event, const std::function<void()>& handler);

// Ends the program at once with the given exit status.
void EndProgram(int status);

bool ProgramEnding();
int ProgramExitStatus();

// The exit status after a run-time error.
inline constexpr int kFatalErrorStatus = 1;

// Forgets an ended program, so that a test can start the next one in the same process.
void ResetProgramLife();

}  // namespace orlanek
