#include "exercise_catalogue.h"

#include "board_link.h"
#include "combapi.h"
#include "windows/forms.h"

namespace orlanek {

void ChooseExercise(std::int16_t index) {
  if (ProbeBoard() == kBoardPresent) {
    if (OpenUsbDevice(kBoardVendorId, kBoardProductId) == kBoardPresent) {
      PutRedLeds(0);
      CloseUsbDevice();
    }
    ShowRedLeds(0);
    ShowGreenLeds(0);
  }
  for (std::int32_t entry = 0; entry <= kLastStep; ++entry) PatternBuffer[entry] = 0;
  if (const Exercise* exercise = ExerciseAt(index)) {
    windows::frmMain().SetCaption(exercise->caption);
    std::int32_t entry = 0;
    for (const std::uint8_t step : exercise->steps) PatternBuffer[entry++] = step;
  }
  ShowRunWindow();
}

}  // namespace orlanek
