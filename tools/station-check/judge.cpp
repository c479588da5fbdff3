#include "judge.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "board_protocol.h"
#include "messages.h"

namespace station_check {
namespace {

namespace board = orlanek::board;

// A repair starts over from the explanations of between this many reports back and twice as
// many, so that it can put the fault a little before the report where no explanation went on;
// sooner where the board's plug changes crowd in between.
constexpr std::size_t kSnapshotEvery = 8, kMostLogged = 64;

RuleResult Result(int number, const Said& name, const Said& offence, bool seen,
                  const Said& seen_text) {
  RuleResult result;
  result.number = number;
  result.name = name.english;
  result.shown_name = name.shown;
  const bool broken = !offence.english.empty();
  result.status = broken ? Status::kBroken : seen ? Status::kHeld : Status::kNotSeen;
  const Said detail = broken ? offence : seen ? seen_text : Said();
  result.detail = detail.english;
  result.shown_detail = detail.shown;
  return result;
}

const char* ExerciseLine(const Verdict& verdict) {
  if (verdict.exercise == 0) return N_("exercise not told (no green step seen)\n");
  if (verdict.exercise_given) return N_("exercise {1}\n");
  return verdict.rules[3].status == Status::kHeld
             ? N_("exercise {1} (by the steps seen)\n")
             : N_("exercise {1} (the nearest to the steps seen)\n");
}

}  // namespace

Judge::Judge(const JudgeOptions& options)
    : options_(options),
      latch_(std::int64_t{options.tolerance_ms} * 1000),
      explainer_(options.exercise, std::int64_t{options.tolerance_ms} * 1000,
                 options.frames != nullptr),
      older_(explainer_),
      newer_(explainer_) {}

void Judge::Report(std::int64_t us, std::span<const std::uint8_t> bytes, std::size_t number) {
  Seen seen;
  seen.us = us;
  seen.number = number;
  seen.bytes.assign(bytes.begin(), bytes.end());
  seen.known = bytes.size() >= board::kPaddingFrom && board::KnownControl(bytes[board::kControlAt]);
  form_.Check(seen);
  shown_.Apply(bytes);
  seen.green = shown_.green();
  seen.red = shown_.red();
  latch_.Take(std::move(seen), ready_);
  Drain();
}

void Judge::Plug(std::int64_t us, bool plugged) {
  latch_.Cut(us, ready_);
  Seen change;
  change.us = us;
  change.plug = true;
  change.plugged = plugged;
  ready_.push_back(std::move(change));
  Drain();
}

void Judge::Drain() {
  for (; !ready_.empty(); ready_.pop_front()) Explain(ready_.front());
}

void Judge::Explain(const Seen& seen) {
  if (!seen.plug && !seen.known) return;  // rule 1's alone: the station sends no such report
  since_older_.push_back(seen);
  if (seen.plug) {
    explainer_.Plug(seen);
  } else {
    // A report of a broken latch is a fault already judged: the ways around it are weighed
    // there and then, not only where nothing else goes on.
    explainer_.Take(seen, seen.broken_latch);
    ++reports_since_;
  }
  if (explainer_.empty()) {
    Repair();
  } else if (reports_since_ >= kSnapshotEvery || since_older_.size() - newer_at_ >= kMostLogged) {
    Snapshot();
  }
}

// No explanation takes the report: the cheapest ways to it with offences, from a few reports
// back, so that a fault is found where it lies (a late tick whose first report passed for the
// close box, a latch short of a report), each offence against the rule it breaks.
void Judge::Repair() {
  Explainer replay = older_;
  for (const Seen& seen : since_older_) {
    if (seen.plug) {
      replay.Plug(seen);
    } else {
      replay.Take(seen, true);
    }
  }
  explainer_ = std::move(replay);
  older_ = newer_ = explainer_;
  since_older_.clear();
  newer_at_ = reports_since_ = 0;
}

void Judge::Snapshot() {
  since_older_.erase(since_older_.begin(),
                     since_older_.begin() + static_cast<std::ptrdiff_t>(newer_at_));
  older_ = std::move(newer_);
  newer_ = explainer_;
  newer_at_ = since_older_.size();
  reports_since_ = 0;
  if (options_.frames != nullptr) Commit(older_.Settled());
}

// The frames before this time are final: the lead's go to the picture, and every explanation
// lets go of its own.
void Judge::Commit(std::int64_t before) {
  if (before <= committed_) return;
  std::vector<Frame> frames;
  for (const FrameNode* node = explainer_.Lead().frames.get(); node != nullptr;
       node = node->before.get())
    if (node->frame.us < before && node->frame.us >= committed_) frames.push_back(node->frame);
  for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) options_.frames->Add(*frame);
  committed_ = before;
  for (Explainer* explainer : {&explainer_, &older_, &newer_}) explainer->Forget(before);
}

Verdict Judge::Now() const {
  const Explanation& lead = explainer_.Lead();
  const Offences& offences = *lead.offences;
  const Tally& tally = lead.tally;
  Verdict verdict;
  verdict.exercise_given = options_.exercise != 0;
  verdict.exercise = verdict.exercise_given           ? options_.exercise
                     : lead.exercises == kAnyExercise ? 0
                                                      : std::countr_zero(lead.exercises) + 1;
  const std::size_t reports = form_.reports;
  std::vector<RuleResult>& rules = verdict.rules;
  rules.push_back(Result(1, Say(N_("report form")), form_.state.detail, reports > 0,
                         Say(N_("{1} reports of {2} bytes"), reports, form_.length)));
  rules.push_back(Result(2, Say(N_("red latch")), latch_.state.detail, reports > 0,
                         Say(N_("every latch whole"))));
  char worst[32];
  std::snprintf(worst, sizeof worst, "%.0f", static_cast<double>(tally.worst_us) / 1000);
  rules.push_back(
      Result(3, Say(N_("cadence")), offences.Of(3), tally.cadence_ticks > 0,
             Say(N_("{1} ticks in rhythm, worst deviation {2} ms"), tally.cadence_ticks, worst)));
  const Said run = verdict.exercise == 0 ? Say(N_("green run"))
                                         : Say(N_("green run of exercise {1}"), verdict.exercise);
  rules.push_back(Result(4, run, offences.Of(4), tally.green_runs > 0,
                         Say(N_("{1} whole run(s)"), tally.green_runs)));
  rules.push_back(Result(5, Say(N_("red walk")), offences.Of(5), tally.red_walks > 0,
                         Say(N_("{1} whole walk(s)"), tally.red_walks)));
  rules.push_back(Result(6, Say(N_("plug-in clear")), offences.Of(6), tally.plugins > 0,
                         Say(N_("{1} plug-in(s)"), tally.plugins)));
  verdict.now = {explainer_.last(), true, shown_.green(), shown_.red(), lead.green, lead.red};
  verdict.pass = std::all_of(rules.begin(), rules.begin() + 5,
                             [](const RuleResult& r) { return r.status == Status::kHeld; }) &&
                 rules[5].status != Status::kBroken;
  return verdict;
}

Verdict Judge::Finish() {
  latch_.Finish(ready_);
  Drain();
  explainer_.Finish();
  if (options_.frames != nullptr) Commit(INT64_MAX);
  return Now();
}

namespace {

// "held", "BROKEN" or "not seen" in the user's language.
const char* StatusWord(Status status) {
  switch (status) {
    case Status::kHeld:
      return messages::Tr("held");
    case Status::kBroken:
      return messages::Tr("BROKEN");
    case Status::kNotSeen:
      return messages::Tr("not seen");
  }
  return "";
}

// "rule 4, green run of exercise 3: BROKEN - at 4.003 s ..." without the line's end.
std::string DescribeRule(const RuleResult& rule) {
  if (rule.shown_detail.empty())
    return messages::Tr("rule {1}, {2}: {3}", rule.number, rule.shown_name,
                        StatusWord(rule.status));
  return messages::Tr("rule {1}, {2}: {3} - {4}", rule.number, rule.shown_name,
                      StatusWord(rule.status), rule.shown_detail);
}

}  // namespace

std::string Describe(const Verdict& verdict) {
  std::string text = messages::Tr(ExerciseLine(verdict), verdict.exercise);
  for (const RuleResult& rule : verdict.rules) text += DescribeRule(rule) + "\n";
  return text + (verdict.pass ? messages::Tr("PASS\n") : messages::Tr("FAIL\n"));
}

}  // namespace station_check
