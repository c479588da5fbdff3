#pragma once

#include <cstdint>
#include <span>

namespace orlanek {

// One exercise of the menu: its step bytes (bit 0 the rightmost LED) and the run window's
// caption while it is chosen.
struct Exercise {
  std::span<const std::uint8_t> steps;
  const char* caption;
};

// The ten exercises, by menu button index; null for an index without a row.
const Exercise* ExerciseAt(std::int16_t index);

// The menu's click handler: checks the board, darkens its red row and both on-screen rows,
// loads the exercise's steps into PatternBuffer, titles the run window and shows it.
void ChooseExercise(std::int16_t index);

}  // namespace orlanek
