#pragma once

#include <cstdint>

#include "windows/form.h"

namespace orlanek {

// The handlers of the menu window allMenu.
class MenuWindowEvents : public windows::FormEvents {
 public:
  void Load() override;
  void Unload(std::int16_t& cancel) override;
};

// The handlers of the run window frmMain.
class RunWindowEvents : public windows::FormEvents {
 public:
  void Load() override;
};

// Binds the handlers to the two windows and loads the start-up window, allMenu.
void StartProgram();

}  // namespace orlanek
