#include "combapi.h"
#include "window_events.h"

namespace orlanek {

// The sequencer starts idle whenever the run window is loaded.
void RunWindowEvents::Load() {
  RunMode = kRunModeIdle;
}

}  // namespace orlanek
