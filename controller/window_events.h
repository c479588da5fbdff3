#pragma once

#include <cstdint>

#include "checked.h"
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
// tick and plays the step that the count has reached.
class RunWindowEvents : public windows::FormEvents {
 public:
  void Load() override;
  void Unload(std::int16_t& cancel) override;
  void Click(std::int16_t index) override;
  void Timer() override;

  // The board state the previous tick found; kept across window switches and reloads.
  Int16 LastBoardState = 0;

 private:
  void BoardPresent(std::int16_t board);
  void BoardAbsent();
};

// Binds the handlers to the two windows and loads the start-up window, allMenu.
void StartProgram();

}  // namespace orlanek
