#pragma once

#include "../../program_life.h"

namespace orlanek::windows::qt {

// Names the program Orlanek, version 2013.01, in the locale Chinese (Taiwan).
void NameProgram();

// Ends the program through Qt's event loop; shows the fatal error in a modal message box.
class QtHost : public ProgramHost {
 public:
  void ShowFatalError(const std::string& message) override;
  void Quit(int status) override;
};

}  // namespace orlanek::windows::qt
