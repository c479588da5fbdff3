#include "combapi.h"

#include "board_link.h"
#include "board_protocol.h"
#include "windows/forms.h"

namespace orlanek {
namespace {

void Write(const std::vector<BoardWrite>& writes) {
  for (const BoardReport& r : ReportsOf(writes)) OutDataCtrl(r.data, r.control);
}

void Show(const ScreenChange& change) {
  switch (change.kind) {
    case ScreenChange::Kind::kMarkPresent:
      return MarkBoardPresent();
    case ScreenChange::Kind::kMarkAbsent:
      return MarkBoardAbsent();
    case ScreenChange::Kind::kGreenRow:
      return ShowGreenLeds(change.value);
    case ScreenChange::Kind::kRedRow:
      return ShowRedLeds(change.value);
  }
}

void Go(Flow flow) {
  switch (flow) {
    case Flow::kStay:
      return;
    case Flow::kTimerOn:
      return windows::frmMain().Timer1().SetEnabled(true);
    case Flow::kShowMenu:
      return ShowMenu();
    case Flow::kShowRunWindow:
      return ShowRunWindow();
  }
}

}  // namespace

void Apply(const Answer& answer) {
  if (!answer.reopen) {
    Write(answer.writes);
  } else if (!answer.writes.empty() &&
             OpenUsbDevice(board::kVendorId, board::kProductId) == board::kPresent) {
    Write(answer.writes);
    CloseUsbDevice();
  }
  for (const ScreenChange& change : answer.screen) Show(change);
  if (answer.caption) windows::frmMain().SetCaption(answer.caption);
  Go(answer.flow);
  if (answer.release) CloseUsbDevice();
}

}  // namespace orlanek
