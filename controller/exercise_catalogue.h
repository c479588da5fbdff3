#pragma once

#include <cstdint>

#include "exercise_table.h"

namespace orlanek {

// The menu's click handler: checks the board, darkens its red row and both on-screen rows,
// loads the exercise's steps into PatternBuffer, titles the run window and shows it.
void ChooseExercise(std::int16_t index);

}  // namespace orlanek
