#include "explain.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "board_protocol.h"
#include "exercise_table.h"

namespace station_check {
namespace {

namespace board = orlanek::board;
using orlanek::Flow;
using orlanek::StationModel;

constexpr std::int16_t kAbsent = 0;
// What a user could have done before a tick: nothing, or one of the run window's buttons.
constexpr std::int16_t kNoButton = -1;
constexpr std::int16_t kButtons[] = {kNoButton, orlanek::kRunModeGreen, orlanek::kRunModeRed,
                                     orlanek::kRunModeExit};

auto Key(const Explanation& e) {
  return std::tuple(std::int16_t{e.model.RunMode}, std::int16_t{e.model.StepIndex},
                    std::int16_t{e.model.LastBoardState}, e.menu, e.rhythm, e.loose, e.clean,
                    e.counted);
}

// Forgets what can no longer make a difference, so that explanations that differ only there
// become one: the step outside a run, the step of a run past its end, the mode in the menu (a
// choice loads the run window idle).
void Settle(Explanation& e, int steps) {
  const std::int16_t mode = e.model.RunMode;
  const bool running = !e.menu && (mode == orlanek::kRunModeGreen || mode == orlanek::kRunModeRed);
  if (!running) {
    e.clean = e.counted = false;
    e.model.StepIndex = board::kLastStep + 1;
    if (e.menu) e.model.RunMode = orlanek::kRunModeIdle;
  }
  const int end = 1 + (mode == orlanek::kRunModeRed ? board::kRedWalkSteps : steps);
  if (running && e.model.StepIndex > end) e.model.StepIndex = static_cast<std::int16_t>(end);
}

// Settles the explanations and drops repeated ones, keeping the first of each.
void Dedupe(std::vector<Explanation>& explanations, int steps) {
  std::set<Explanation> seen;
  std::erase_if(explanations, [&](Explanation& e) {
    Settle(e, steps);
    return !seen.insert(e).second;
  });
}

// One timer tick of the reference; EXIT takes it back to the menu.
Writes Step(Explanation& e, std::int16_t board) {
  const orlanek::Answer answer = e.model.Tick(board);
  if (answer.flow == Flow::kShowMenu) e.menu = true;
  return answer.writes;
}

// A menu choice with the board away: nothing is sent, and the run window's timer starts at a
// time nobody saw.
Explanation ChosenUnseen(Explanation e, std::int16_t exercise_index) {
  e.model.RunWindowLoaded();
  e.model.ExerciseChosen(exercise_index, kAbsent);
  e.menu = false;
  e.rhythm.reset();
  e.loose = false;
  e.clean = false;
  return e;
}

// Where n ticks that sent nothing can have taken the explanation, with a button clicked before
// any of them; away: the board may have been away for them. After a few more ticks than a run
// has steps, further ones lead nowhere new.
std::vector<Explanation> Silent(const Explanation& from, std::int64_t n, bool away, bool relaxed,
                                std::int16_t exercise_index, int steps) {
  std::vector<Explanation> held{from};
  n = std::min<std::int64_t>(n, board::kLastStep + 3);
  for (std::int64_t i = 0; i < n; ++i) {
    std::vector<Explanation> next;
    for (const Explanation& e : held) {
      if (e.menu) {
        next.push_back(e);
        if (away) next.push_back(ChosenUnseen(e, exercise_index));
        continue;
      }
      for (const std::int16_t button : kButtons) {
        for (const std::int16_t board : {kAbsent, board::kPresent}) {
          if (board == kAbsent && !away) continue;
          Explanation s = e;
          if (button != kNoButton) {
            s.model.ButtonClicked(button);
            s.clean = false;
          }
          if (Step(s, board).empty() || relaxed) next.push_back(s);
        }
      }
    }
    Dedupe(next, steps);
    if (next == held) break;
    held = std::move(next);
  }
  return held;
}

}  // namespace

bool Explanation::operator<(const Explanation& other) const {
  return Key(*this) < Key(other);
}

bool Explanation::operator==(const Explanation& other) const {
  return Key(*this) == Key(other);
}

Explainer::Explainer(int exercise, std::int64_t slack)
    : exercise_index_(static_cast<std::int16_t>(exercise - 1)),
      steps_(static_cast<int>(orlanek::ExerciseAt(exercise_index_)->steps.size())),
      slack_(slack) {
  // The session may begin in the menu or in the run window, with the program just started or
  // having seen the board already.
  for (const bool menu : {true, false}) {
    for (const std::int16_t last : {kAbsent, board::kPresent}) {
      Explanation e;
      e.model.ExerciseChosen(exercise_index_, board::kPresent);
      e.model.RunWindowLoaded();
      e.model.LastBoardState = last;
      e.menu = menu;
      held_.push_back(e);
    }
  }
}

// A menu choice: the program may have just started, its sequencer fresh.
void Explainer::AddChoices(const Explanation& e, const Tick& tick,
                           std::vector<Candidate>& out) const {
  for (const bool fresh : {false, true}) {
    Candidate c{e, {}, Cause::kMenu};
    if (fresh) c.after.model = StationModel();
    c.after.model.RunWindowLoaded();
    c.writes = c.after.model.ExerciseChosen(exercise_index_, board::kPresent).writes;
    c.after.menu = false;
    c.after.rhythm = tick.us;
    c.after.loose = true;
    c.after.clean = false;
    out.push_back(std::move(c));
  }
}

// A timer tick, after the ticks between that sent nothing, with a button clicked before it;
// a plug-in since the tick before is one the program noticed.
void Explainer::AddTicks(const Explanation& e, const Tick& tick, bool relaxed,
                         std::vector<Candidate>& out) const {
  Candidate base{e, {}, Cause::kTick};
  if (e.rhythm) {
    base.gap = tick.us - *e.rhythm;
    base.slots =
        std::max<int>(1, static_cast<int>(std::llround(static_cast<double>(base.gap) / kSecond)));
    base.timed = !e.loose;
    base.in_rhythm = e.loose || std::abs(base.gap - base.slots * kSecond) <= slack_;
  }
  for (const Explanation& t :
       Silent(e, base.slots - 1, tick.away_before, relaxed, exercise_index_, steps_)) {
    if (t.menu) {
      AddChoices(t, tick, out);
      continue;
    }
    for (const std::int16_t button : kButtons) {
      Candidate c = base;
      if (!t.rhythm) {
        c.timed = false;
        c.in_rhythm = true;
      }
      c.after = t;
      if (tick.plugged_before) c.after.model.LastBoardState = kAbsent;
      if (button != kNoButton) {
        c.after.model.ButtonClicked(button);
        c.after.clean = true;
        c.after.counted = false;
      }
      c.writes = Step(c.after, board::kPresent);
      c.after.rhythm = tick.us;
      c.after.loose = false;
      if (c.after.menu) c.after.rhythm.reset();
      out.push_back(std::move(c));
    }
  }
}

// The run window's close box, after the ticks that went by since the last one.
void Explainer::AddCloseBox(const Explanation& e, const Tick& tick, bool relaxed,
                            std::vector<Candidate>& out) const {
  const std::int64_t ticks = e.rhythm ? (tick.us - *e.rhythm) / kSecond : 0;
  for (const Explanation& t :
       Silent(e, ticks, tick.away_before, relaxed, exercise_index_, steps_)) {
    if (t.menu) continue;
    Candidate c{t, {}, Cause::kCloseBox};
    c.writes = c.after.model.RunWindowClosed(board::kPresent).writes;
    c.after.menu = true;
    c.after.rhythm.reset();
    out.push_back(std::move(c));
  }
}

std::vector<Candidate> Explainer::Candidates(const Tick& tick, bool relaxed) const {
  std::vector<Candidate> candidates;
  for (const Explanation& e : held_) {
    if (e.menu) {
      AddChoices(e, tick, candidates);
    } else {
      AddTicks(e, tick, relaxed, candidates);
      AddCloseBox(e, tick, relaxed, candidates);
    }
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) { return a.cause < b.cause; });
  return candidates;
}

void Explainer::Keep(const std::vector<Candidate>& kept) {
  held_.clear();
  for (const Candidate& candidate : kept) held_.push_back(candidate.after);
  Dedupe(held_, steps_);
}

void Explainer::MarkCounted() {
  for (Explanation& e : held_) e.counted = true;
}

}  // namespace station_check
