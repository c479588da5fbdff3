#include "program_life.h"
#include "station_model.h"
#include "window_events.h"
#include "windows/forms.h"

namespace orlanek {

void StartProgram() {
  static MenuWindowEvents menu_events;
  static RunWindowEvents run_events;
  Station() = StationModel();
  windows::allMenu().BindEvents(&menu_events);
  windows::frmMain().BindEvents(&run_events);
  DeliverEvent("allMenu.Form_Load", [] { windows::allMenu().Touch(); });
}

}  // namespace orlanek
