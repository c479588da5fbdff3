#include "board_link.h"
#include "clock.h"
#include "combapi.h"
#include "window_events.h"
#include "windows/forms.h"

namespace orlanek {
namespace {

using windows::frmMain;

// The red latch on the board is loaded with 0 and the on-screen red row painted dark.
void RedClear() {
  PutRedLeds(0);
  ShowRedLeds(0);
}

}  // namespace

void RunWindowEvents::Load() {
  RunMode = kRunModeIdle;
}

// The request takes effect at the next tick.
void RunWindowEvents::Click(std::int16_t index) {
  frmMain().Timer1().SetEnabled(true);
  StepIndex = 0;
  RunMode = index;
}

void RunWindowEvents::Timer() {
  if (StepIndex > kLastStep) StepIndex = kLastStep;
  frmMain().Label1().SetCaption(ClockText(Now()));
  const std::int16_t board = OpenUsbDevice(kBoardVendorId, kBoardProductId);
  if (board != 0) {
    BoardPresent(board);
  } else {
    BoardAbsent();
  }
  LastBoardState = board;
  StepIndex = StepIndex + Int16(1);
}

void RunWindowEvents::BoardPresent(std::int16_t board) {
  MarkBoardPresent();
  if (LastBoardState == 0 && board == kBoardPresent) RedClear();
  // Three separate tests: only the exit changes RunMode, to a value none of them matches.
  if (RunMode == kRunModeGreen) {
    if (StepIndex == 0) RedClear();
    PutGreenLeds(PatternBuffer[StepIndex]);
    ShowGreenLeds(PatternBuffer[StepIndex]);
    ShowRedLeds(0);
  }
  if (RunMode == kRunModeRed) {
    if (StepIndex > 7) {
      RedClear();
    } else {
      const auto walking = static_cast<std::uint8_t>(1u << StepIndex);
      PutRedLeds(walking);
      ShowRedLeds(walking);
      ShowGreenLeds(0);
    }
  }
  if (RunMode == kRunModeExit) {
    RedClear();
    ShowGreenLeds(0);
    ShowMenu();
    RunMode = kRunModeIdle;
  }
  CloseUsbDevice();
}

// Nothing is written and nothing released; the rows keep their colours, drawn hollow.
void RunWindowEvents::BoardAbsent() {
  MarkBoardAbsent();
  if (RunMode == kRunModeExit) {
    ShowRedLeds(0);
    ShowGreenLeds(0);
    ShowMenu();
    RunMode = kRunModeIdle;
  }
}

// The board stays open: the library's next open replaces what this one acquired.
void RunWindowEvents::Unload(std::int16_t& /*cancel*/) {
  if (OpenUsbDevice(kBoardVendorId, kBoardProductId) != 0) PutRedLeds(0);
  ShowRedLeds(0);
  ShowGreenLeds(0);
  ShowMenu();
}

}  // namespace orlanek
