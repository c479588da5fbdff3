#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Judges a station program from what it sent to the LED board, rule by rule, against how the
// reference station behaves.
namespace station_check {

struct Report {
  std::int64_t us = 0;
  std::vector<std::uint8_t> bytes;  // report ID first
  std::size_t line = 0;
};

struct PlugChange {
  std::int64_t us = 0;
  bool plugged = false;
};

struct Session {
  std::vector<Report> reports;
  std::vector<PlugChange> plugs;
};

enum class Status { kHeld, kBroken, kNotSeen };

struct RuleResult {
  int number = 0;
  std::string name;
  Status status = Status::kNotSeen;
  std::string detail;  // the first offence, or what was seen
};

// One tick as the board showed it and as the reference would have shown it.
struct Frame {
  std::int64_t us = 0;
  bool present = true;  // the board was plugged in
  std::uint8_t green = 0, red = 0;
  std::uint8_t reference_green = 0, reference_red = 0;
};

struct Verdict {
  int exercise = 0;  // 1 to 10
  bool exercise_given = false;
  std::vector<RuleResult> rules;  // rules 1 to 6
  std::vector<Frame> frames;
  bool pass = false;
};

// How far a tick may lie from a whole number of seconds after the one before, as a PC keeps a
// one-second timer.
constexpr int kToleranceMs = 100;

// exercise: 1 to 10, or 0 to take the one whose steps the session shows. tolerance_ms: the
// cadence's allowance, wider only for a program whose clock is known to run rough (an
// emulated machine).
Verdict Judge(const Session& session, int exercise, int tolerance_ms = kToleranceMs);

// The verdict as the program prints it: one line per rule, then PASS or FAIL.
std::string Describe(const Verdict& verdict);

}  // namespace station_check
