#pragma once

#include <functional>
#include <string>

namespace orlanek {

struct TimeOfDay {
  int hour;  // 0 to 23
  int minute;
  int second;
};

// The local time of day; tests put a clock of their own in its place.
TimeOfDay Now();
void SetClock(std::function<TimeOfDay()> clock);

// The run window's clock line: 34 blanks, "Current Time : " and hh:mm:ss, 57 characters.
std::string ClockText(const TimeOfDay& time);

}  // namespace orlanek
