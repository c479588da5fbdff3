#pragma once

#include <memory>
#include <string>
#include <vector>

#include "program_life.h"
#include "windows/form.h"
#include "windows/toolkit.h"

namespace orlanek::testing {

// A toolkit that shows nothing and writes down every change a form hands its window, in
// order, as "frmMain.Visible=0", "frmMain.Shape2(3).Fill=000080/1" and so on.
class RecordingToolkit : public windows::Toolkit {
 public:
  std::unique_ptr<windows::WindowPeer> MakePeer(windows::Form& form) override;

  std::vector<std::string> log;
  int windows_made = 0;
  int windows_destroyed = 0;
};

// Records the fatal-error report and the end of the program instead of showing a dialog.
class RecordingHost : public ProgramHost {
 public:
  void ShowFatalError(const std::string& message) override { messages.push_back(message); }
  void Quit(int status) override { quits.push_back(status); }

  std::vector<std::string> messages;
  std::vector<int> quits;
};

// Puts the program back to its state before start: both windows unloaded, handlers unbound,
// no ended program. (StartProgram gives the program a fresh station model.)
void ResetProgram();

}  // namespace orlanek::testing
