#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "station_model.h"
#include "ticks.h"

// Explains a session with the station model: the ways the reference station could have come
// to each tick that sent something, by what a user could have done since the tick before.
namespace station_check {

// One way the reference could stand after the ticks explained so far.
struct Explanation {
  orlanek::StationModel model;
  bool menu = false;                   // the menu is shown: the run window's timer is off
  std::optional<std::int64_t> rhythm;  // the last tick, while the timer runs on from it
  bool loose = false;                  // rhythm is a menu choice's: the timer started about then
  bool clean = false;    // the running green run or red walk fitted from its first step on
  bool counted = false;  // and was counted whole

  bool operator<(const Explanation& other) const;
  bool operator==(const Explanation& other) const;
};

// What the reference did at a tick: a timer tick, a menu choice or the close box.
enum class Cause { kTick, kMenu, kCloseBox };

struct Candidate {
  Explanation after;
  Writes writes;  // what the reference sends
  Cause cause = Cause::kTick;
  std::int64_t gap = 0;   // from the rhythm's last tick (kTick with a rhythm)
  int slots = 1;          // the whole seconds that gap stands for
  bool timed = false;     // there was a rhythm to keep
  bool in_rhythm = true;  // no rhythm yet, or within the allowance
};

class Explainer {
 public:
  Explainer(int exercise, std::int64_t slack);

  // Every candidate for the tick from every explanation held. relaxed: the ticks between
  // may have sent what they would (to find where a program fell silent).
  std::vector<Candidate> Candidates(const Tick& tick, bool relaxed) const;
  // Keeps these as the explanations from now on.
  void Keep(const std::vector<Candidate>& kept);
  // The run or walk that the explanations are in has been counted whole.
  void MarkCounted();
  const Explanation& Lead() const { return held_.front(); }
  int steps() const { return steps_; }  // the exercise's

 private:
  void AddChoices(const Explanation& e, const Tick& tick, std::vector<Candidate>& out) const;
  void AddTicks(const Explanation& e, const Tick& tick, bool relaxed,
                std::vector<Candidate>& out) const;
  void AddCloseBox(const Explanation& e, const Tick& tick, bool relaxed,
                   std::vector<Candidate>& out) const;

  std::int16_t exercise_index_;
  int steps_;  // the exercise's
  std::int64_t slack_;
  std::vector<Explanation> held_;
};

}  // namespace station_check
