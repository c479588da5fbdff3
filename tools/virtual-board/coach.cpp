#include "coach.h"

#include "board_state.h"
#include "messages.h"

namespace virtual_board {
namespace {

using messages::Tr;
using station_check::Status;

const char* Word(Status status) {
  switch (status) {
    case Status::kHeld:
      return Tr("held");
    case Status::kBroken:
      return Tr("BROKEN");
    case Status::kNotSeen:
      break;
  }
  return Tr("not yet");
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
      view_.first_break = Tr("rule {1}, {2}: {3}", rule.number, rule.shown_name, rule.shown_detail);
  }
}

std::vector<std::string> CoachLines(const CoachView& view) {
  std::vector<std::string> lines = {
      Tr("reference {1}", Rows(view.now.reference_green, view.now.reference_red))};
  std::string rules = Tr("rules");
  for (const station_check::RuleResult& rule : view.rules)
    rules += "  " + std::to_string(rule.number) + " " + Word(rule.status);
  lines.push_back(rules);
  if (!view.first_break.empty()) {
    const int later = view.breaks - 1;
    lines.push_back(
        later > 0 ? Tr("first break: {1} ({2} more rule(s) broken since)", view.first_break, later)
                  : Tr("first break: {1}", view.first_break));
  }
  return lines;
}

std::string Rows(std::uint8_t green, std::uint8_t red) {
  return Tr("green {1}   red {2}", Lights(green), Lights(red));
}

// A character's first byte tells how many bytes follow; a stray byte counts as one column.
}  // namespace virtual_board
