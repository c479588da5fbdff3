#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "board_state.h"
#include "explain.h"
#include "frames.h"
#include "readers.h"
#include "report_rules.h"

// Judges a station program from what it sent to the LED board, rule by rule, against how the
// reference station behaves, as the session comes: a file's, or a live one's.
namespace station_check {

enum class Status { kHeld, kBroken, kNotSeen };

struct RuleResult {
  int number = 0;
  // The name and the detail in English whatever the language: what reads them back (the room's
  // first break, the PNG's ASCII font) takes them so.
  std::string name;
  Status status = Status::kNotSeen;
  std::string detail;  // the first offence, or what was seen
  // The same in the user's language, as the verdict prints them.
  std::string shown_name, shown_detail;
};

struct Verdict {
  int exercise = 0;  // 1 to 10; 0 when no step told it
  bool exercise_given = false;
  std::vector<RuleResult> rules;  // rules 1 to 6
  Frame now;                      // the board and the reference after what was judged so far
  bool pass = false;
};

// How far a tick may lie from a whole number of seconds after the one before, as a PC keeps a
// one-second timer; also how far apart the reports of one event may come.
constexpr int kToleranceMs = 100;

struct JudgeOptions {
  int exercise = 0;  // 1 to 10, or 0 to take the one whose steps the session shows
  // The cadence's allowance, wider only for a program whose clock is known to run rough (an
  // emulated machine).
  int tolerance_ms = kToleranceMs;
  Frames* frames = nullptr;  // where the picture's frames go, if one is drawn
};

// Fed the session's reports and plug changes one at a time, in order, then finished. Between
// any two, Now() tells the rules as they stand, for a live view of a practising candidate.
class Judge : public SessionSink {
 public:
  explicit Judge(const JudgeOptions& options);

  void Report(std::int64_t us, std::span<const std::uint8_t> bytes, std::size_t number) override;
  void Plug(std::int64_t us, bool plugged) override;
  // The rules so far: held so far, broken, or not yet seen.
  Verdict Now() const;
  // The session has ended: what waited for more is judged, and the verdict given.
  Verdict Finish();

 private:
  void Drain();
  void Explain(const Seen& seen);
  void Repair();
  void Snapshot();
  void Commit(std::int64_t before);

  JudgeOptions options_;
  FormRule form_;
  LatchRule latch_;
  virtual_board::BoardState shown_;
  std::deque<Seen> ready_;  // what the latch rule has let through, to explain
  Explainer explainer_;
  // Where a repair starts over: the explanations of a few reports back, and what came since.
  Explainer older_, newer_;
  std::vector<Seen> since_older_;
  std::size_t newer_at_ = 0, reports_since_ = 0;
  std::int64_t committed_ = INT64_MIN;  // frames before this time are in options_.frames
};

// The verdict as the program prints it, in the user's language: the exercise, one line per
// rule, then PASS or FAIL.
std::string Describe(const Verdict& verdict);

}  // namespace station_check
