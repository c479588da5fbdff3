#include "combapi.h"
#include "exercise_catalogue.h"
#include "program_life.h"
#include "window_events.h"
#include "windows/forms.h"

namespace orlanek {

using windows::allMenu;
using windows::frmMain;

void MenuWindowEvents::Load() {
  ShowMenu();
}

void MenuWindowEvents::Click(std::int16_t index) {
  ChooseExercise(index);
}

// Closing the menu ends the program at once; the run window's unload handler never runs and
// the board keeps its last state.
void MenuWindowEvents::Unload(std::int16_t& /*cancel*/) {
  frmMain().SetEnabled(false);
  frmMain().SetVisible(false);
  frmMain().Timer1().SetEnabled(false);
  allMenu().SetEnabled(false);
  allMenu().SetVisible(false);
  EndProgram(0);
}

}  // namespace orlanek
