#include "board_link.h"
#include "board_protocol.h"
#include "clock.h"
#include "combapi.h"
#include "window_events.h"
#include "windows/forms.h"

namespace orlanek {

void RunWindowEvents::Load() {
  Station().RunWindowLoaded();
}

void RunWindowEvents::Click(std::int16_t index) {
  Apply(Station().ButtonClicked(index));
}

void RunWindowEvents::Timer() {
  windows::frmMain().Label1().SetCaption(ClockText(Now()));
  const std::int16_t board = OpenUsbDevice(board::kVendorId, board::kProductId);
  Apply(Station().Tick(board));
}

void RunWindowEvents::Unload(std::int16_t& /*cancel*/) {
  const std::int16_t board = OpenUsbDevice(board::kVendorId, board::kProductId);
  Apply(Station().RunWindowClosed(board));
}

}  // namespace orlanek
