#include "coach.h"

#include "board_state.h"

namespace virtual_board {
namespace {

using station_check::Status;

const char* Word(Status status) {
  switch (status) {
    case Status::kHeld:
      return "held";
    case Status::kBroken:
      return "BROKEN";
    case Status::kNotSeen:
      break;
  }
  return "not yet";
}

}  // namespace

Coach::Coach(int exercise, station_check::Frames* frames)
    : judge_({exercise, station_check::kToleranceMs, frames}) {
  Update(judge_.Now());
}

const CoachView& Coach::Report(std::int64_t us, std::span<const std::uint8_t> bytes,
                               std::size_t number) {
  judge_.Report(us, bytes, number);
  Update(judge_.Now());
  return view_;
}

const CoachView& Coach::Plug(std::int64_t us, bool plugged) {
  judge_.Plug(us, plugged);
  Update(judge_.Now());
  return view_;
}

station_check::Verdict Coach::Finish() {
  station_check::Verdict verdict = judge_.Finish();
  Update(verdict);
  return verdict;
}

// A rule once broken stays broken, so the first one seen broken is the first break; two broken
// by one report are told by their order.
void Coach::Update(const station_check::Verdict& verdict) {
  view_.now = verdict.now;
  view_.rules = verdict.rules;
  view_.breaks = 0;
  for (const station_check::RuleResult& rule : verdict.rules) {
    if (rule.status != Status::kBroken) continue;
    ++view_.breaks;
    if (view_.first_break.empty())
      view_.first_break =
          "rule " + std::to_string(rule.number) + ", " + rule.name + ": " + rule.detail;
  }
}

std::vector<std::string> CoachLines(const CoachView& view) {
  std::vector<std::string> lines = {"reference " +
                                    Rows(view.now.reference_green, view.now.reference_red)};
  std::string rules = "rules";
  for (const station_check::RuleResult& rule : view.rules)
    rules += "  " + std::to_string(rule.number) + " " + Word(rule.status);
  lines.push_back(rules);
  if (!view.first_break.empty()) {
    const int later = view.breaks - 1;
    lines.push_back(
        "first break: " + view.first_break +
        (later > 0 ? " (" + std::to_string(later) + " more rule(s) broken since)" : ""));
  }
  return lines;
}

}  // namespace virtual_board
