#include "exercise_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orlanek {
namespace {

std::vector<int> Steps(std::int16_t index) {
  const Exercise* exercise = ExerciseAt(index);
  return exercise ? std::vector<int>(exercise->steps.begin(), exercise->steps.end())
                  : std::vector<int>{};
}

// The light patterns as they stand on the board, bit 7 on the left.
TEST(ExerciseCatalogue, TenExercisesWithTheirLightPatterns) {
  EXPECT_EQ(Steps(0), (std::vector<int>{1, 2, 4, 8, 16, 32, 64, 128}));
  EXPECT_EQ(Steps(1), (std::vector<int>{128, 64, 32, 16, 8, 4, 2, 1}));
  EXPECT_EQ(Steps(2), (std::vector<int>{3, 6, 12, 24, 48, 96, 192}));
  EXPECT_EQ(Steps(3), (std::vector<int>{192, 96, 48, 24, 12, 6, 3}));
  EXPECT_EQ(Steps(4), (std::vector<int>{1, 3, 7, 15, 31, 63, 127, 255}));
  EXPECT_EQ(Steps(5), (std::vector<int>{128, 192, 224, 240, 248, 252, 254, 255}));
  EXPECT_EQ(Steps(6), (std::vector<int>{24, 36, 66, 129}));
  EXPECT_EQ(Steps(7), (std::vector<int>{129, 66, 36, 24}));
  EXPECT_EQ(Steps(8), (std::vector<int>{1, 2, 4, 8, 16, 32, 64, 128, 64, 32, 16, 8, 4, 2, 1}));
  EXPECT_EQ(Steps(9), (std::vector<int>{128, 64, 32, 16, 8, 4, 2, 1, 2, 4, 8, 16, 32, 64, 128}));
  EXPECT_EQ(ExerciseAt(10), nullptr);
  EXPECT_EQ(ExerciseAt(-1), nullptr);
}

TEST(ExerciseCatalogue, CaptionsNameTheExerciseNumber) {
  for (std::int16_t index = 0; index < 10; ++index) {
    EXPECT_EQ(std::string(ExerciseAt(index)->caption),
              "Drosvane第" + std::to_string(index + 1) + "題 (範例程式)");
  }
}

}  // namespace
}  // namespace orlanek
