#include "checked.h"

#include <gtest/gtest.h>

#include "combapi.h"

namespace orlanek {
namespace {

TEST(Int16, AddsAndRaisesOverflowAtBothLimits) {
  EXPECT_EQ(Int16(20) + Int16(1), 21);
  EXPECT_EQ(Int16(INT16_MAX - 1) + Int16(1), INT16_MAX);
  EXPECT_THROW(Int16(INT16_MAX) + Int16(1), RuntimeError);
  EXPECT_THROW(Int16(INT16_MIN) - Int16(1), RuntimeError);
  EXPECT_EQ(Int16(INT16_MIN) + Int16(INT16_MAX), -1);
}

TEST(PatternBuffer, HoldsEntriesZeroToNinetyNineAndRefusesOthers) {
  EXPECT_EQ(PatternBuffer.UpperBound(), 99);
  for (std::int32_t i = 0; i <= 99; ++i) EXPECT_EQ(PatternBuffer[i], 0) << i;
  PatternBuffer[99] = 7;
  EXPECT_EQ(PatternBuffer[99], 7);
  PatternBuffer[99] = 0;
  EXPECT_THROW(PatternBuffer[100], RuntimeError);
  EXPECT_THROW(PatternBuffer[-1], RuntimeError);
  EXPECT_THROW(PatternBuffer[INT16_MIN], RuntimeError);
}

}  // namespace
}  // namespace orlanek
