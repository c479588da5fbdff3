#include "exercise_table.h"

#include <array>

namespace orlanek {
namespace {

constexpr std::uint8_t kSteps1[] = {1, 2, 4, 8, 16, 32, 64, 128};
constexpr std::uint8_t kSteps2[] = {128, 64, 32, 16, 8, 4, 2, 1};
constexpr std::uint8_t kSteps3[] = {3, 6, 12, 24, 48, 96, 192};
constexpr std::uint8_t kSteps4[] = {192, 96, 48, 24, 12, 6, 3};
constexpr std::uint8_t kSteps5[] = {1, 3, 7, 15, 31, 63, 127, 255};
constexpr std::uint8_t kSteps6[] = {128, 192, 224, 240, 248, 252, 254, 255};
constexpr std::uint8_t kSteps7[] = {24, 36, 66, 129};
constexpr std::uint8_t kSteps8[] = {129, 66, 36, 24};
constexpr std::uint8_t kSteps9[] = {1, 2, 4, 8, 16, 32, 64, 128, 64, 32, 16, 8, 4, 2, 1};
constexpr std::uint8_t kSteps10[] = {128, 64, 32, 16, 8, 4, 2, 1, 2, 4, 8, 16, 32, 64, 128};

constexpr std::array<Exercise, 10> kCatalogue{{
    {kSteps1, "Drosvane第1題 (範例程式)"},
    {kSteps2, "Drosvane第2題 (範例程式)"},
    {kSteps3, "Drosvane第3題 (範例程式)"},
    {kSteps4, "Drosvane第4題 (範例程式)"},
    {kSteps5, "Drosvane第5題 (範例程式)"},
    {kSteps6, "Drosvane第6題 (範例程式)"},
    {kSteps7, "Drosvane第7題 (範例程式)"},
    {kSteps8, "Drosvane第8題 (範例程式)"},
    {kSteps9, "Drosvane第9題 (範例程式)"},
    {kSteps10, "Drosvane第10題 (範例程式)"},
}};

}  // namespace

const Exercise* ExerciseAt(std::int16_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kCatalogue.size()) return nullptr;
  return &kCatalogue[static_cast<std::size_t>(index)];
}

}  // namespace orlanek
