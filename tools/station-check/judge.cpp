#include "judge.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

#include "board_state.h"
#include "exercise_table.h"

namespace station_check {
namespace {

constexpr std::int64_t kSecond = 1'000'000;
// Reports closer than this belong to one tick; a tick's reports go out back to back.
constexpr std::int64_t kTickSpread = 300'000;
constexpr std::size_t kMaxTickReports = 7;
constexpr int kLastStep = 20;
constexpr int kRedSteps = 8;

constexpr std::uint8_t kGreen = 0x00, kRedHold = 0x20, kRedStrobe = 0x30;

struct Op {
  bool red = false;
  std::uint8_t value = 0;
  bool operator==(const Op&) const = default;
};
constexpr Op kRedClear{true, 0};

struct Tick {
  std::int64_t us = 0;
  std::vector<const Report*> reports;
  std::vector<Op> ops;
  bool plugged_before = false;    // a plug-in since the tick before
  bool unplugged_before = false;  // the board was away since the tick before
  bool present_after = true;
};

std::string Seconds(std::int64_t us) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(us) / kSecond);
  return text;
}

std::string Where(const Tick& tick) {
  const Report& first = *tick.reports.front();
  std::string text = "at " + Seconds(tick.us) + " (line " + std::to_string(first.line) + ":";
  for (const std::uint8_t byte : first.bytes) text += " " + std::to_string(byte);
  return text + ")";
}

std::string Describe(const std::vector<Op>& ops) {
  if (ops.empty()) return "nothing";
  std::string text;
  for (const Op& op : ops) {
    if (!text.empty()) text += ", ";
    text += (op.red ? "red " : "green ") + std::to_string(op.value);
  }
  return text;
}

struct RuleState {
  bool broken = false;
  std::string detail;
  std::size_t tick = SIZE_MAX;

  void Break(std::size_t at, std::string what) {
    if (broken) return;
    broken = true;
    tick = at;
    detail = std::move(what);
  }
};

// The session cut into ticks, with the red latches and green writes each tick made.
std::vector<Tick> CutIntoTicks(const Session& session, RuleState& form, RuleState& latch) {
  std::vector<Tick> ticks;
  std::size_t plug = 0;
  bool present = true, plugged = false, unplugged = false;
  const Report* previous = nullptr;
  const auto follow_plugs = [&](std::int64_t until) {
    bool changed = false;
    for (; plug < session.plugs.size() && session.plugs[plug].us <= until; ++plug) {
      present = session.plugs[plug].plugged;
      (present ? plugged : unplugged) = true;
      changed = true;
    }
    return changed;
  };
  for (const Report& report : session.reports) {
    const bool changed = follow_plugs(report.us);
    if (ticks.empty() || changed || report.us - previous->us > kTickSpread) {
      ticks.emplace_back();
      ticks.back().us = report.us;
      ticks.back().plugged_before = plugged;
      ticks.back().unplugged_before = unplugged;
      plugged = unplugged = false;
    }
    ticks.back().reports.push_back(&report);
    ticks.back().present_after = present;
    previous = &report;
  }

  const std::size_t length = session.reports.empty() ? 0 : session.reports[0].bytes.size();
  for (std::size_t t = 0; t < ticks.size(); ++t) {
    Tick& tick = ticks[t];
    for (const Report* report : tick.reports) {
      const std::vector<std::uint8_t>& bytes = report->bytes;
      const std::string at =
          "at " + Seconds(report->us) + " (line " + std::to_string(report->line) + ")";
      if (bytes.size() < 3) {
        form.Break(t, at + ": a report of " + std::to_string(bytes.size()) + " bytes");
      } else if (bytes[0] != 0) {
        form.Break(t, at + ": report ID " + std::to_string(bytes[0]));
      } else if (bytes[2] != kGreen && bytes[2] != kRedHold && bytes[2] != kRedStrobe) {
        form.Break(t, at + ": control byte " + std::to_string(bytes[2]));
      } else if (std::any_of(bytes.begin() + 3, bytes.end(), [](std::uint8_t b) { return b; })) {
        form.Break(t, at + ": a padding byte is not 0");
      } else if (bytes.size() != length) {
        form.Break(t, at + ": " + std::to_string(bytes.size()) + " bytes after reports of " +
                          std::to_string(length));
      }
    }
    // Green writes one report each; a red latch is a run of &H20, &H30, &H20 reports.
    for (std::size_t i = 0; i < tick.reports.size();) {
      const std::vector<std::uint8_t>& bytes = tick.reports[i]->bytes;
      if (bytes.size() < 3 ||
          (bytes[2] != kGreen && bytes[2] != kRedHold && bytes[2] != kRedStrobe)) {
        ++i;
        continue;
      }
      if (bytes[2] == kGreen) {
        tick.ops.push_back({false, bytes[1]});
        ++i;
        continue;
      }
      std::size_t end = i;
      while (end < tick.reports.size() && tick.reports[end]->bytes.size() >= 3 &&
             (tick.reports[end]->bytes[2] == kRedHold || tick.reports[end]->bytes[2] == kRedStrobe))
        ++end;
      for (; i < end; i += 3) {
        const auto control = [&](std::size_t k) {
          return k < end ? static_cast<int>(tick.reports[k]->bytes[2]) : -1;
        };
        const auto data = [&](std::size_t k) { return tick.reports[k]->bytes[1]; };
        const bool whole = control(i) == kRedHold && control(i + 1) == kRedStrobe &&
                           control(i + 2) == kRedHold && data(i + 1) == data(i) &&
                           data(i + 2) == data(i);
        if (!whole) {
          std::string seen;
          for (std::size_t k = i; k < std::min(end, i + 3); ++k)
            seen += (seen.empty() ? "" : ", ") + std::to_string(data(k)) + "/&H" +
                    (control(k) == kRedHold ? "20" : "30");
          latch.Break(t, "at " + Seconds(tick.reports[i]->us) + " (line " +
                             std::to_string(tick.reports[i]->line) +
                             "): the latch went data/control " + seen +
                             ", not &H20, &H30, &H20 with one data byte");
          // Judge the rest by what the board latched: the data of the last strobe.
          std::uint8_t latched = data(i);
          for (std::size_t k = i; k < end; ++k)
            if (control(k) == kRedStrobe) latched = data(k);
          tick.ops.push_back({true, latched});
          i = end;
          break;
        }
        tick.ops.push_back({true, data(i)});
      }
    }
  }
  return ticks;
}

enum class Mode { kNone, kGreen, kRed };

struct Walk {
  std::vector<std::uint8_t> steps;
  RuleState form, latch, cadence, green, red, plugin;
  int green_runs = 0, red_walks = 0, plugins = 0;
  std::int64_t slack = 0;  // the cadence's allowance in microseconds
  std::size_t cadence_ticks = 0;
  double worst_ms = 0;
  std::vector<Frame> frames;
};

struct Reference {
  Mode mode = Mode::kNone;
  std::vector<int> candidates;  // green run: the step indices the run may be at
  int red_index = 0;
  bool good = false, counted = false;
};

// What the reference would have sent in a tick that sent rest, taking the user's clicks from
// what was sent; red_rule tells whether a difference breaks the red walk (else the green run).
std::vector<Op> Expect(Reference& ref, const std::vector<Op>& rest, int slots,
                       bool unplugged_before, const std::vector<std::uint8_t>& steps,
                       bool& red_rule) {
  const auto step = [&](int index) -> std::uint8_t {
    return index < static_cast<int>(steps.size()) ? steps[static_cast<std::size_t>(index)] : 0;
  };
  std::vector<Op> own;
  red_rule = false;
  const bool red_walk =
      std::any_of(rest.begin(), rest.end(), [](Op op) { return op.red && op.value; });
  const auto green_from = [&](bool restart) {
    if (restart || ref.mode != Mode::kGreen) {
      ref.mode = Mode::kGreen;
      ref.candidates = {0};
      ref.good = true;
      ref.counted = false;
      own = {kRedClear, {false, step(0)}};
      return;
    }
    for (int& index : ref.candidates) index = std::min(index + slots, kLastStep);
    own = {{false, step(ref.candidates.front())}};
  };
  if (rest.size() == 2 && rest[0] == kRedClear && !rest[1].red) {
    green_from(true);
  } else if (red_walk) {
    red_rule = true;
    const Op first = rest.front();
    const int next = std::min(ref.red_index + slots, kRedSteps);
    if (ref.mode == Mode::kRed && next < kRedSteps && first == Op{true, std::uint8_t(1 << next)}) {
      ref.red_index = next;
    } else if (first == Op{true, 1}) {
      ref.red_index = 0;
      ref.good = true;
      ref.counted = false;
    } else if (unplugged_before && first.red && std::has_single_bit(first.value)) {
      ref.red_index = std::countr_zero(first.value);
      ref.good = false;
    } else {
      ref.red_index = ref.mode == Mode::kRed ? next : 0;
      ref.good = false;
    }
    ref.mode = Mode::kRed;
    own = {ref.red_index < kRedSteps ? Op{true, std::uint8_t(1 << ref.red_index)} : kRedClear};
  } else if (rest == std::vector<Op>{kRedClear}) {
    if (ref.mode == Mode::kRed && ref.red_index + slots >= kRedSteps) {
      red_rule = true;
      ref.red_index = std::min(ref.red_index + slots, kRedSteps);
    } else {
      ref.mode = Mode::kNone;  // EXIT
    }
    own = {kRedClear};
  } else if (rest.size() == 1 && !rest[0].red) {
    const std::uint8_t value = rest[0].value;
    if (ref.mode == Mode::kGreen) {
      green_from(false);
      std::vector<int> matching;
      for (const int index : ref.candidates)
        if (step(index) == value) matching.push_back(index);
      if (!matching.empty()) {
        ref.candidates = matching;
        own = rest;
      }
    } else if (unplugged_before) {
      // The run was started while the board was away: it goes on at the step the count reached.
      ref.mode = Mode::kGreen;
      ref.candidates.clear();
      for (int index = 0; index <= kLastStep; ++index)
        if (step(index) == value) ref.candidates.push_back(index);
      ref.good = false;
      own = rest;
      if (ref.candidates.empty()) {
        green_from(true);
        ref.good = false;
      }
    } else {
      green_from(true);
      ref.good = false;
      ref.candidates.clear();
      for (int index = 0; index <= kLastStep; ++index)
        if (step(index) == value) ref.candidates.push_back(index);
      if (ref.candidates.empty()) ref.candidates = {0};
    }
  } else if (ref.mode == Mode::kGreen) {
    green_from(false);
  } else if (ref.mode == Mode::kRed) {
    red_rule = true;
    ref.red_index = std::min(ref.red_index + slots, kRedSteps);
    own = {ref.red_index < kRedSteps ? Op{true, std::uint8_t(1 << ref.red_index)} : kRedClear};
  } else {
    own = rest.empty() ? rest : std::vector<Op>{kRedClear};
  }
  return own;
}

void Run(const Session& session, Walk& walk) {
  const std::vector<Tick> ticks = CutIntoTicks(session, walk.form, walk.latch);
  Reference ref;
  bool late_plugin = false;  // the tick before was a menu choice
  std::int64_t rhythm = 0;   // the last tick in the rhythm, when in_rhythm
  bool in_rhythm = false;
  virtual_board::BoardState shown, reference;
  bool present = true;

  for (std::size_t t = 0; t < ticks.size(); ++t) {
    const Tick& tick = ticks[t];
    const std::vector<Op>& ops = tick.ops;
    if (tick.reports.size() > kMaxTickReports)
      walk.cadence.Break(
          t, Where(tick) + ": " + std::to_string(tick.reports.size()) + " reports in one tick");

    // Plug-in clear.
    std::vector<Op> expected;
    std::vector<Op> rest = ops;
    if (tick.plugged_before) {
      ++walk.plugins;
      expected.push_back(kRedClear);
      if (!ops.empty() && ops.front() == kRedClear) {
        rest.erase(rest.begin());
      } else {
        walk.plugin.Break(t, Where(tick) + ": the first tick after the plug-in sent " +
                                 Describe(ops) + " without clearing the red row first");
      }
    }

    int slots = 1;
    std::int64_t gap = 0;
    if (in_rhythm) {
      gap = tick.us - rhythm;
      slots = std::max<int>(1, static_cast<int>(std::llround(static_cast<double>(gap) / kSecond)));
    }
    // Once the red walk has ended, an EXIT looks like one more clear: a pause after it (the menu
    // is back) shows that it was one.
    if (ref.mode == Mode::kRed && ref.red_index >= kRedSteps &&
        (slots > 1 || std::abs(gap - slots * kSecond) > walk.slack) && !tick.unplugged_before)
      ref.mode = Mode::kNone;
    // A menu choice clears the red row outside the rhythm and restarts the timer.
    const bool clears_only = ops == std::vector<Op>{kRedClear};
    const bool menu = ref.mode == Mode::kNone && clears_only;
    const std::int64_t deviation = gap - slots * kSecond;
    const bool off_rhythm = in_rhythm && !menu && std::abs(deviation) > walk.slack;
    // The run window's close box clears the red row outside the rhythm too, wherever the red
    // walk would not be clearing it.
    const bool closed = clears_only && off_rhythm &&
                        !(ref.mode == Mode::kRed && ref.red_index + slots >= kRedSteps);
    if (menu || closed) {
      in_rhythm = false;
      slots = 1;
    } else {
      if (in_rhythm) {
        walk.worst_ms = std::max(walk.worst_ms, std::abs(static_cast<double>(deviation)) / 1000);
        ++walk.cadence_ticks;
        if (off_rhythm)
          walk.cadence.Break(t, Where(tick) + ": " + std::to_string(gap / 1000) +
                                    " ms after the tick before, not a whole number of seconds "
                                    "(within " +
                                    std::to_string(walk.slack / 1000) + " ms)");
      }
      rhythm = tick.us;
      in_rhythm = true;
    }
    const Mode mode_before = ref.mode;
    if (slots > 1 && ref.mode != Mode::kNone && !tick.unplugged_before) {
      RuleState& rule = ref.mode == Mode::kGreen ? walk.green : walk.red;
      rule.Break(t, Where(tick) + ": " + std::to_string(slots - 1) +
                        " tick(s) before it sent nothing while the board was plugged in");
      ref.good = false;
    }

    // What the reference would have sent this tick. The first tick after a menu choice may
    // clear the red row once more: a program that has just started takes the board it finds
    // as plugged in.
    Reference tried = ref;
    bool red_rule = false;
    std::vector<Op> own = Expect(tried, rest, slots, tick.unplugged_before, walk.steps, red_rule);
    if (late_plugin && rest.size() >= 2 && rest.front() == kRedClear) {
      Reference other = ref;
      const std::vector<Op> after(rest.begin() + 1, rest.end());
      bool other_red = false;
      const std::vector<Op> other_own =
          Expect(other, after, slots, tick.unplugged_before, walk.steps, other_red);
      if (other_own == after) {
        tried = other;
        own = other_own;
        red_rule = other_red;
        rest = after;
        expected.push_back(kRedClear);
      }
    }
    late_plugin = menu;
    ref = tried;
    RuleState* rule = red_rule ? &walk.red : &walk.green;
    if (own != rest) {
      rule->Break(t, Where(tick) + ": sent " + Describe(rest) + " where the reference sends " +
                         Describe(own));
      ref.good = false;
    }
    if (ref.good && !ref.counted && ref.mode == Mode::kGreen && ref.candidates.size() == 1 &&
        ref.candidates.front() + 1 >= static_cast<int>(walk.steps.size())) {
      ++walk.green_runs;
      ref.counted = true;
    }
    if (ref.good && !ref.counted && ref.mode == Mode::kRed && ref.red_index == kRedSteps - 1) {
      ++walk.red_walks;
      ref.counted = true;
    }

    // The picture: ticks without output first, then this tick on the board and on the reference.
    // (Only inside a run: between runs a program may rest for hours.)
    if (!walk.frames.empty() && mode_before != Mode::kNone) {
      for (int slot = std::max(1, slots - kLastStep); slot < slots; ++slot) {
        Frame silent = walk.frames.back();
        silent.us = tick.us - (slots - slot) * kSecond;
        silent.present = !tick.unplugged_before && present;
        walk.frames.push_back(silent);
      }
    }
    for (const Report* report : tick.reports) shown.Apply(report->bytes);
    expected.insert(expected.end(), own.begin(), own.end());
    for (const Op& op : expected) {
      if (op.red) {
        for (const std::uint8_t control : {kRedHold, kRedStrobe, kRedHold})
          reference.Apply(std::vector<std::uint8_t>{0, op.value, control});
      } else {
        reference.Apply(std::vector<std::uint8_t>{0, op.value, kGreen});
      }
    }
    present = tick.present_after;
    walk.frames.push_back(
        {tick.us, true, shown.green(), shown.red(), reference.green(), reference.red()});
  }
}

const char* StatusWord(Status status) {
  switch (status) {
    case Status::kHeld:
      return "held";
    case Status::kBroken:
      return "BROKEN";
    case Status::kNotSeen:
      return "not seen";
  }
  return "";
}

RuleResult Result(int number, std::string name, const RuleState& state, bool seen,
                  std::string seen_text) {
  RuleResult result;
  result.number = number;
  result.name = std::move(name);
  result.status = state.broken ? Status::kBroken : seen ? Status::kHeld : Status::kNotSeen;
  result.detail = state.broken ? state.detail : seen ? std::move(seen_text) : "";
  return result;
}

Walk WalkFor(const Session& session, int exercise, int tolerance_ms) {
  Walk walk;
  walk.slack = std::int64_t{tolerance_ms} * 1000;
  const orlanek::Exercise* row = orlanek::ExerciseAt(static_cast<std::int16_t>(exercise - 1));
  walk.steps.assign(row->steps.begin(), row->steps.end());
  Run(session, walk);
  return walk;
}

}  // namespace

Verdict Judge(const Session& session, int exercise, int tolerance_ms) {
  Verdict verdict;
  verdict.exercise_given = exercise != 0;
  Walk walk;
  if (exercise != 0) {
    walk = WalkFor(session, exercise, tolerance_ms);
  } else {
    // The exercise whose run holds; else the one that went right longest.
    for (int candidate = 1; candidate <= 10; ++candidate) {
      Walk tried = WalkFor(session, candidate, tolerance_ms);
      const auto rank = [](const Walk& w) {
        return std::make_pair(!w.green.broken && w.green_runs > 0, w.green.tick);
      };
      if (exercise == 0 || rank(tried) > rank(walk)) {
        walk = std::move(tried);
        exercise = candidate;
      }
    }
  }
  verdict.exercise = exercise;
  const std::size_t reports = session.reports.size();
  verdict.rules.push_back(Result(1, "report form", walk.form, reports > 0,
                                 std::to_string(reports) + " reports of " +
                                     std::to_string(reports ? session.reports[0].bytes.size() : 0) +
                                     " bytes"));
  verdict.rules.push_back(Result(2, "red latch", walk.latch, reports > 0, "every latch whole"));
  char cadence[96];
  std::snprintf(cadence, sizeof cadence, "%zu ticks in rhythm, worst deviation %.0f ms",
                walk.cadence_ticks, walk.worst_ms);
  verdict.rules.push_back(Result(3, "cadence", walk.cadence, walk.cadence_ticks > 0, cadence));
  verdict.rules.push_back(Result(4, "green run of exercise " + std::to_string(exercise), walk.green,
                                 walk.green_runs > 0,
                                 std::to_string(walk.green_runs) + " whole run(s)"));
  verdict.rules.push_back(Result(5, "red walk", walk.red, walk.red_walks > 0,
                                 std::to_string(walk.red_walks) + " whole walk(s)"));
  verdict.rules.push_back(Result(6, "plug-in clear", walk.plugin, walk.plugins > 0,
                                 std::to_string(walk.plugins) + " plug-in(s)"));
  verdict.frames = std::move(walk.frames);
  verdict.pass = std::all_of(verdict.rules.begin(), verdict.rules.begin() + 5,
                             [](const RuleResult& r) { return r.status == Status::kHeld; }) &&
                 verdict.rules[5].status != Status::kBroken;
  return verdict;
}

std::string Describe(const Verdict& verdict) {
  const char* how = verdict.exercise_given                     ? ""
                    : verdict.rules[3].status == Status::kHeld ? " (by the steps seen)"
                                                               : " (the nearest to the steps seen)";
  std::string text = "exercise " + std::to_string(verdict.exercise) + how + "\n";
  for (const RuleResult& rule : verdict.rules) {
    text += "rule " + std::to_string(rule.number) + ", " + rule.name + ": " +
            StatusWord(rule.status) + (rule.detail.empty() ? "" : " - " + rule.detail) + "\n";
  }
  return text + (verdict.pass ? "PASS\n" : "FAIL\n");
}

}  // namespace station_check
