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

// The ten exercises, by menu button index; null for an index without a row. Plain data, so
// tools that judge a station can share it without the controller.
const Exercise* ExerciseAt(std::int16_t index);

}  // namespace orlanek
