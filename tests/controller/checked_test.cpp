#include "checked.h"

#include <gtest/gtest.h>

namespace orlanek {
namespace {

TEST(Int16, AddsAndRaisesOverflowAtBothLimits) {
  EXPECT_EQ(Int16(20) + Int16(1), 21);
  EXPECT_EQ(Int16(INT16_MAX - 1) + Int16(1), INT16_MAX);
  EXPECT_THROW(Int16(INT16_MAX) + Int16(1), RuntimeError);
  EXPECT_THROW(Int16(INT16_MIN) - Int16(1), RuntimeError);
  EXPECT_EQ(Int16(INT16_MIN) + Int16(INT16_MAX), -1);
}

}  // namespace
}  // namespace orlanek
