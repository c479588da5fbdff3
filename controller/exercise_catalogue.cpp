#include "exercise_catalogue.h"

#include "board_link.h"
#include "combapi.h"

namespace orlanek {

void ChooseExercise(std::int16_t index) {
  const std::int16_t board = ProbeBoard();
  Apply(Station().ExerciseChosen(index, board));
}

}  // namespace orlanek
