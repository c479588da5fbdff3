#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "messages.h"
#include "station_model.h"

// What the session told, one thing at a time, and the two rules that the reports alone decide:
// their form (rule 1) and the red latch's (rule 2).
namespace station_check {

using orlanek::BoardWrite;
using Writes = std::vector<BoardWrite>;
using messages::N_;

// A text a person reads, in English, as the ASCII-only PNG's font and whatever reads it back
// take it, and in the user's language.
struct Said {
  std::string english, shown;
};

inline std::string InEnglish(const Said& said) {
  return said.english;
}
inline std::string AsShown(const Said& said) {
  return said.shown;
}
template <typename Argument>
std::string InEnglish(const Argument& argument) {
  return messages::Argument(argument);
}
template <typename Argument>
std::string AsShown(const Argument& argument) {
  return messages::Argument(argument);
}

// format, marked for the catalogue, with {1}, {2}... filled: numbers and texts alike in both,
// a Said argument in its own language.
template <typename... Arguments>
Said Say(const char* format, const Arguments&... arguments) {
  return {messages::Fill(format, {InEnglish(arguments)...}),
          messages::Fill(messages::Tr(format), {AsShown(arguments)...})};
}

// One rule's first offence.
struct RuleState {
  bool broken = false;
  Said detail;

  void Break(Said what);
};

// A report, or a plug change, as the explanation takes it.
struct Seen {
  std::int64_t us = 0;
  bool plug = false;                // a plug change, not a report
  bool plugged = false;             // of a plug change: the board was put in (else pulled out)
  std::size_t number = 0;           // the report's line or packet
  std::vector<std::uint8_t> bytes;  // the report, report ID first
  bool known = false;               // long enough, with a control byte the station sends
  bool broken_latch = false;        // in a latch that rule 2 found broken
  std::uint8_t green = 0, red = 0;  // the board's rows after it

  std::uint8_t data() const;
  std::uint8_t control() const;
  bool red_latch() const;  // a report of a red latch
};

// Rule 1: report ID 0, a control byte the station sends, zero padding, one length throughout.
class FormRule {
 public:
  void Check(const Seen& report);

  RuleState state;
  std::size_t reports = 0, length = 0;
};

// Rule 2: whole latches (hold, strobe, hold) with one data byte. A report waits here until its
// latch is told whole or broken, so that what comes after knows whether its latch broke.
class LatchRule {
 public:
  // allowance: how soon after a latch's last report a plug change may cut it short.
  explicit LatchRule(std::int64_t allowance) : allowance_(allowance) {}
  // Lets the report through to out once its latch is told.
  void Take(Seen report, std::deque<Seen>& out);
  // A plug change at us: a latch it cut short is the board's doing, not the program's, unless
  // the program had left it unfinished before.
  void Cut(std::int64_t us, std::deque<Seen>& out);
  // The session has ended: a latch it cut short is broken.
  void Finish(std::deque<Seen>& out);

  RuleState state;

 private:
  void Break(const Seen* breaker, std::deque<Seen>& out);

  std::int64_t allowance_;
  std::vector<Seen> partial_;  // the latch so far
};

// "at T s (line N)".
Said At(const Seen& report);
// "at T s (line N: the report's bytes)".
Said Where(const Seen& report);
// "green 3, red 0"; writes is not empty.
Said Describe(const Writes& writes);
// The write a report belongs to: "green 3" or "red 0".
Said DescribeReport(const Seen& report);

}  // namespace station_check
