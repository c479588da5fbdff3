#pragma once

#include "program_life.h"
#include "windows/toolkit.h"

namespace orlanek::windows::win32 {

class Win32Toolkit : public Toolkit {
 public:
  std::unique_ptr<WindowPeer> MakePeer(Form& form) override;
};

// The fatal-error message box and the end of the message loop.
class Win32Host : public ProgramHost {
 public:
  void ShowFatalError(const std::string& message) override;
  void Quit(int status) override;
};

}  // namespace orlanek::windows::win32
