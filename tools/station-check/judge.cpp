#include "judge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "board_protocol.h"
#include "board_state.h"
#include "exercise_table.h"
#include "explain.h"
#include "ticks.h"

namespace station_check {
namespace {

namespace board = orlanek::board;

struct Walk {
  RuleState cadence, green, red, plugin;
  int green_runs = 0, red_walks = 0, plugins = 0;
  std::int64_t slack = 0;  // the cadence's allowance in microseconds
  std::size_t cadence_ticks = 0;
  double worst_ms = 0;
  std::vector<Frame> frames;
};

// What the reference did at a tick, as far as the rules go.
struct Judged {
  Candidate lead;  // the explanation the picture and the counts follow
  bool fits = false;
};

// Rules 3 and 6 by what the tick itself shows: how many reports it sent, and whether the first
// tick after a plug-in cleared the red row first. Returns what was sent, with the plug-in clear
// put in where it was left out (its rule has that offence).
Writes CheckTickItself(const Tick& tick, std::size_t t, Walk& walk) {
  if (tick.reports.size() > board::kMaxTickReports)
    walk.cadence.Break(
        t, Where(tick) + ": " + std::to_string(tick.reports.size()) + " reports in one tick");
  Writes sent = tick.writes;
  if (!tick.plugged_before) return sent;
  ++walk.plugins;
  if (sent.empty() || sent.front() != orlanek::kRedClear) {
    walk.plugin.Break(t, Where(tick) + ": the first tick after the plug-in sent " +
                             Describe(tick.writes) + " without clearing the red row first");
    sent.insert(sent.begin(), orlanek::kRedClear);
  }
  return sent;
}

std::vector<Candidate> Fitting(const std::vector<Candidate>& candidates, const Writes& sent) {
  std::vector<Candidate> fits;
  for (const Candidate& c : candidates)
    if (c.writes == sent) fits.push_back(c);
  return fits;
}

// How near what the reference sends comes to what was sent: less the writes that one has and
// the other has not, in order.
int Nearness(const Writes& reference, const Writes& sent) {
  std::vector<std::vector<int>> common(reference.size() + 1, std::vector<int>(sent.size() + 1));
  for (std::size_t i = 1; i <= reference.size(); ++i)
    for (std::size_t j = 1; j <= sent.size(); ++j)
      common[i][j] = reference[i - 1] == sent[j - 1] ? common[i - 1][j - 1] + 1
                                                     : std::max(common[i - 1][j], common[i][j - 1]);
  return 2 * common[reference.size()][sent.size()] -
         static_cast<int>(reference.size() + sent.size());
}

RuleState& RuleOf(bool red, Walk& walk) {
  return red ? walk.red : walk.green;
}

// No explanation fits. Either the program fell silent where the reference sends every tick,
// or it sent other writes: the rule of the run or walk it was in breaks, and the explanations
// nearest to what it sent are kept: of the tick's candidates (all), or where it has none, of
// the relaxed ones.
std::vector<Candidate> Misfit(const Explainer& explainer, const std::vector<Candidate>& all,
                              const Tick& tick, const Writes& sent, std::size_t t, Walk& walk) {
  const bool was_red = explainer.Lead().model.RunMode == orlanek::kRunModeRed;
  const std::vector<Candidate> relaxed = explainer.Candidates(tick, true);
  std::vector<Candidate> kept = Fitting(relaxed, sent);
  if (!kept.empty()) {
    RuleOf(was_red, walk)
        .Break(t, Where(tick) + ": " + std::to_string(kept.front().slots - 1) +
                      " tick(s) before it sent nothing while the board was "
                      "plugged in");
  } else {
    const std::vector<Candidate>& near = all.empty() ? relaxed : all;
    std::vector<int> nearness;
    int best = INT32_MIN;
    for (const Candidate& c : near)
      best = std::max(best, nearness.emplace_back(Nearness(c.writes, sent)));
    for (std::size_t i = 0; i < near.size(); ++i)
      if (nearness[i] == best) kept.push_back(near[i]);
    const bool walking =
        std::any_of(sent.begin(), sent.end(), [](Write w) { return w.red && w.value; });
    const bool greens = std::any_of(sent.begin(), sent.end(), [](Write w) { return !w.red; });
    RuleOf(walking || (was_red && !greens), walk)
        .Break(t, Where(tick) + ": sent " + Describe(tick.writes) + " where the reference sends " +
                      Describe(kept.front().writes));
  }
  for (Candidate& c : kept) c.after.clean = false;
  return kept;
}

// Explains one tick: the explanations that fit what was sent, in rhythm where any is.
Judged Explain(Explainer& explainer, const Tick& tick, const Writes& sent, std::size_t t,
               Walk& walk) {
  const std::vector<Candidate> all = explainer.Candidates(tick, false);
  std::vector<Candidate> kept = Fitting(all, sent);
  const bool fits = !kept.empty();
  std::vector<Candidate> timely;
  for (const Candidate& c : kept)
    if (c.in_rhythm) timely.push_back(c);
  if (!fits) {
    kept = Misfit(explainer, all, tick, sent, t, walk);
  } else if (!timely.empty()) {
    kept = std::move(timely);
  }
  const Candidate& lead = kept.front();
  if (lead.cause == Cause::kTick && lead.timed) {
    const std::int64_t deviation = lead.gap - lead.slots * kSecond;
    walk.worst_ms = std::max(walk.worst_ms, std::abs(static_cast<double>(deviation)) / 1000);
    ++walk.cadence_ticks;
    if (!lead.in_rhythm)
      walk.cadence.Break(t, Where(tick) + ": " + std::to_string(lead.gap / 1000) +
                                " ms after the tick before, not a whole number of seconds "
                                "(within " +
                                std::to_string(walk.slack / 1000) + " ms)");
  }
  explainer.Keep(kept);
  return {kept.front(), fits};
}

// A whole green run or red walk, seen from its first step to its last without an offence.
void Count(Explainer& explainer, Walk& walk) {
  const Explanation& lead = explainer.Lead();
  if (!lead.clean || lead.counted || lead.menu) return;
  const int played = std::int16_t{lead.model.StepIndex} - 1;
  if (lead.model.RunMode == orlanek::kRunModeGreen && played + 1 >= explainer.steps()) {
    ++walk.green_runs;
  } else if (lead.model.RunMode == orlanek::kRunModeRed && played == board::kRedWalkSteps - 1) {
    ++walk.red_walks;
  } else {
    return;
  }
  explainer.MarkCounted();
}

// The picture: the ticks without output first (only inside a run: between runs a program may
// rest for hours), then this tick on the board and on the reference.
struct Picture {
  virtual_board::BoardState shown, reference;

  void Add(const Tick& tick, const Candidate& lead, bool in_run, Walk& walk) {
    if (!walk.frames.empty() && in_run) {
      for (int slot = std::max(1, lead.slots - board::kLastStep); slot < lead.slots; ++slot) {
        Frame silent = walk.frames.back();
        silent.us = tick.us - (lead.slots - slot) * kSecond;
        silent.present = !tick.away_before;
        walk.frames.push_back(silent);
      }
    }
    for (const Report* report : tick.reports) shown.Apply(report->bytes);
    for (const orlanek::BoardReport& report : orlanek::ReportsOf(lead.writes))
      reference.Apply(std::vector<std::uint8_t>{board::kReportId, report.data, report.control});
    walk.frames.push_back(
        {tick.us, true, shown.green(), shown.red(), reference.green(), reference.red()});
  }
};

void Run(const std::vector<Tick>& ticks, int exercise, Walk& walk) {
  Explainer explainer(exercise, walk.slack);
  Picture picture;
  for (std::size_t t = 0; t < ticks.size(); ++t) {
    const Explanation& before = explainer.Lead();
    const bool in_run = !before.menu && (before.model.RunMode == orlanek::kRunModeGreen ||
                                         before.model.RunMode == orlanek::kRunModeRed);
    const Writes sent = CheckTickItself(ticks[t], t, walk);
    const Judged judged = Explain(explainer, ticks[t], sent, t, walk);
    if (judged.fits) Count(explainer, walk);
    picture.Add(ticks[t], judged.lead, in_run, walk);
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

Walk WalkFor(const std::vector<Tick>& ticks, int exercise, int tolerance_ms) {
  Walk walk;
  walk.slack = std::int64_t{tolerance_ms} * 1000;
  Run(ticks, exercise, walk);
  return walk;
}

}  // namespace

Verdict Judge(const Session& session, int exercise, int tolerance_ms) {
  Verdict verdict;
  verdict.exercise_given = exercise != 0;
  RuleState form, latch;
  const std::vector<Tick> ticks = CutIntoTicks(session, form, latch);
  Walk walk;
  if (exercise != 0) {
    walk = WalkFor(ticks, exercise, tolerance_ms);
  } else {
    // The exercise whose run holds; else the one that went right longest.
    for (int candidate = 1; candidate <= 10; ++candidate) {
      Walk tried = WalkFor(ticks, candidate, tolerance_ms);
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
  verdict.rules.push_back(Result(1, "report form", form, reports > 0,
                                 std::to_string(reports) + " reports of " +
                                     std::to_string(reports ? session.reports[0].bytes.size() : 0) +
                                     " bytes"));
  verdict.rules.push_back(Result(2, "red latch", latch, reports > 0, "every latch whole"));
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
