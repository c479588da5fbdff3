#pragma once

#include <cstdint>

#include "windows/form.h"

namespace orlanek {

// The handlers of the menu window allMenu.
class MenuWindowEvents : public windows::FormEvents {
 public:
  void Load() override;
  void Unload(std::int16_t& cancel) override;
  void Click(std::int16_t index) override;
};

// The handlers of the run window frmMain: the step sequencer, which polls the board once a
// tick; the station model decides what each tick plays.
class RunWindowEvents : public windows::FormEvents {
 public:
  void Load() override;
  void Unload(std::int16_t& cancel) override;
  void Click(std::int16_t index) override;
  void Timer() override;
};

// Gives the program a fresh station model, binds the handlers to the two windows and loads
// the start-up window, allMenu.
void StartProgram();

}  // namespace orlanek
