#include "clock.h"

#include <cstdio>
#include <ctime>

namespace orlanek {
namespace {

TimeOfDay LocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return {local.tm_hour, local.tm_min, local.tm_sec};
}

std::function<TimeOfDay()> clock = LocalTime;

}  // namespace

TimeOfDay Now() {
  return clock();
}

void SetClock(std::function<TimeOfDay()> new_clock) {
  clock = new_clock ? std::move(new_clock) : LocalTime;
}

std::string ClockText(const TimeOfDay& time) {
  char hhmmss[16];
  std::snprintf(hhmmss, sizeof hhmmss, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  return std::string(34, ' ') + "Current Time : " + hhmmss;
}

}  // namespace orlanek
