#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "board_protocol.h"
#include "frames.h"
#include "report_rules.h"
#include "station_model.h"

// Explains a session with the station model as it comes, a report at a time: every way the
// reference station could have sent what came so far, by its run window's timer ticks and what
// a user could have done before, between and after them (the close box, a menu choice, the
// buttons, the board pulled out and put back), at any distance from a tick.
namespace station_check {

// The run window's timer period, in microseconds.
constexpr std::int64_t kSecond = std::int64_t{orlanek::board::kTickMs} * 1000;
// The menu's exercises; as a mask, bit i for exercise i + 1, all of them: no step told them
// apart.
constexpr int kExerciseCount = 10;
constexpr std::uint16_t kAnyExercise = (1u << kExerciseCount) - 1;

// The sequencer's three values, as the station model keeps them.
struct Sequencer {
  std::int16_t mode = orlanek::kRunModeIdle, step = 0, last_board = 0;
};

// The reference's decisions, asked of the station model once for each state they depend on.
class Reference {
 public:
  struct Outcome {
    std::array<BoardWrite, 3> writes{};
    std::uint8_t count = 0;
    std::array<orlanek::BoardReport, orlanek::board::kMaxTickReports> reports{};
    std::uint8_t report_count = 0;
    Sequencer after;
    bool to_menu = false;
  };

  Reference();
  // A timer tick, with exercise's steps (0 to 9) in the pattern buffer.
  const Outcome& Tick(const Sequencer& from, int exercise, std::int16_t board);
  Sequencer Clicked(const Sequencer& from, std::int16_t button);
  Sequencer Loaded(const Sequencer& from);
  // What a menu choice and the close box send with the board there.
  const Outcome& Chosen() const { return chosen_; }
  const Outcome& Closed() const { return closed_; }

 private:
  orlanek::StationModel& Model(const Sequencer& from, int exercise);

  std::vector<orlanek::StationModel> models_;  // one for each exercise's steps
  std::vector<Outcome> ticks_;
  std::vector<bool> known_;
  Outcome chosen_, closed_;
};

// The board's plug changes since the oldest report an explanation stands at.
class PlugHistory {
 public:
  // What the board was over a time: absent, present, or pulled out within.
  static constexpr unsigned kAbsent = 1, kPresent = 2, kPulled = 4;

  void Change(std::int64_t us, bool plugged);
  // What the board was over [from, to].
  unsigned Over(std::int64_t from, std::int64_t to) const;
  // Put in within (from, to].
  bool PluggedIn(std::int64_t from, std::int64_t to) const;
  // The first moment in [from, to] that the board was away, or past to.
  std::int64_t FirstAbsent(std::int64_t from, std::int64_t to) const;
  // No plug change from t on.
  bool Still(std::int64_t t) const;
  // Lets go of the changes before this time.
  void Forget(std::int64_t before);
  // Before any report the board may come in: it was away until then.
  void Reported() { reported_ = true; }

 private:
  // Changes kept one by one; beyond these a flapping board is taken as both, there.
  static constexpr std::size_t kKept = 256;
  bool base_ = true;  // before the first change kept
  bool reported_ = false;
  std::deque<std::pair<std::int64_t, bool>> changes_;
  std::int64_t lossy_to_ = INT64_MIN;  // changes up to here were too many to keep
};

enum class Timer : std::uint8_t { kOff, kUnknown, kLoose, kStrict };
enum class Cause : std::uint8_t { kTick, kMenu, kCloseBox };

// What an explanation has held and seen so far, for rules 3 to 6.
struct Tally {
  int green_runs = 0, red_walks = 0, plugins = 0;
  std::size_t cadence_ticks = 0;
  std::int64_t worst_us = 0;
};

// The first offence against each of rules 3 to 6.
struct Offences {
  std::array<std::shared_ptr<const Said>, 4> detail;
  Said Of(int rule) const {
    const auto& text = detail[static_cast<std::size_t>(rule - 3)];
    return text ? *text : Said();
  }
};

// A frame and those before it; explanations share what they have in common.
struct FrameNode {
  Frame frame;
  std::shared_ptr<FrameNode> before;
};

// One way the reference could stand after what came so far.
struct Explanation {
  Sequencer seq;
  std::uint16_t exercises = 0;  // bit i: exercise i + 1, whose steps fit so far
  Timer timer = Timer::kOff;    // kOff: the menu is shown
  // The last tick; the menu choice (kLoose); the first moment it may have been chosen unseen
  // (kUnknown).
  std::int64_t anchor = 0;
  // The event in progress: the writes it sends, its reports and how many of them came.
  Cause cause = Cause::kTick;
  std::int16_t event_mode = orlanek::kRunModeIdle;  // the mode the sequencer was in
  std::array<BoardWrite, 3> writes{};
  std::array<orlanek::BoardReport, orlanek::board::kMaxTickReports> reports{};
  std::uint8_t write_count = 0, count = 0, at = 0;
  bool plugin_clear = false;  // it begins with the plug-in clear
  std::int64_t event_us = 0;
  std::int64_t last_us = 0;  // the last report it took
  bool clean = false;        // the green run or red walk it is in fitted from its first step on
  bool counted = false;      // and was counted whole
  bool plugged = false;      // the board was put in since the last tick that sent
  std::uint8_t green = 0, red = 0;  // the reference board's rows
  int silenced = 0;                 // repairs: ticks that sent nothing where the reference sends
  bool silenced_plugin = false;     // and all they left out was the plug-in clear
  int cost = 0;                     // what the offences cost
  Tally tally;
  std::shared_ptr<const Offences> offences;
  std::shared_ptr<FrameNode> frames;  // the newest first

  bool pending() const { return at < count; }
};

class Explainer {
 public:
  Explainer() = default;
  // exercise: 1 to 10, or 0 for any; slack: the allowance in microseconds; frames: keep them.
  Explainer(int exercise, std::int64_t slack, bool frames);

  // The explanations that take the report; none when no explanation can. repair: also those
  // that take it with an offence, at a cost. The cheapest lead.
  void Take(const Seen& report, bool repair);
  // A plug change: a board pulled out takes no more of an event's reports.
  void Plug(const Seen& change);
  // The session ended: the events in progress end there.
  void Finish();
  // Frames before this time are drawn: no explanation keeps them.
  void Forget(std::int64_t before);

  bool empty() const { return held_.empty(); }
  // The explanation that the verdict follows: the cheapest, the first of them.
  const Explanation& Lead() const { return held_.front(); }
  // The earliest time a frame still to come can have.
  std::int64_t Settled() const;
  std::int64_t last() const { return last_; }

 private:
  void Keep(std::vector<Explanation>& next);
  void Begin(std::int64_t us);

  std::shared_ptr<Reference> reference_;
  std::int64_t slack_ = 0;
  bool frames_ = false;
  bool started_ = false;
  PlugHistory history_;
  std::int64_t last_ = 0;             // the last report
  std::uint8_t green_ = 0, red_ = 0;  // the board's rows after it
  std::vector<Explanation> held_;
};

}  // namespace station_check
