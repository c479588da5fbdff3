#include "clock.h"

#include <gtest/gtest.h>

namespace orlanek {
namespace {

TEST(ClockText, ThirtyFourBlanksThenTheLabelThenTwoDigitFieldsOnA24HourClock) {
  const std::string text = ClockText({14, 5, 9});
  EXPECT_EQ(text.size(), 57u);
  EXPECT_EQ(text, std::string(34, ' ') + "Current Time : 14:05:09");
  EXPECT_EQ(ClockText({0, 0, 0}).substr(49), "00:00:00");
  EXPECT_EQ(ClockText({23, 59, 59}).substr(49), "23:59:59");
}

TEST(Clock, TestsCanSetTheTimeAndPutTheLocalClockBack) {
  SetClock([] { return TimeOfDay{7, 8, 9}; });
  EXPECT_EQ(Now().hour, 7);
  SetClock(nullptr);
  const TimeOfDay now = Now();
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.second, 60);
}

}  // namespace
}  // namespace orlanek
