#include "coach.h"

#include <algorithm>
#include <array>
#include <utility>

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

// The code points East Asian terminals draw two columns wide, as far as the coach's texts go:
// Hangul, CJK and its punctuation, and the full-width forms.
bool Wide(char32_t point) {
  constexpr std::array<std::pair<char32_t, char32_t>, 8> kWide = {{{0x1100, 0x115F},
                                                                   {0x2E80, 0x303E},
                                                                   {0x3041, 0xA4CF},
                                                                   {0xAC00, 0xD7A3},
                                                                   {0xF900, 0xFAFF},
                                                                   {0xFE30, 0xFE4F},
                                                                   {0xFF00, 0xFF60},
                                                                   {0xFFE0, 0xFFE6}}};
  if (point >= 0x20000 && point <= 0x3FFFD) return true;
  return std::any_of(kWide.begin(), kWide.end(), [point](const auto& range) {
    return point >= range.first && point <= range.second;
  });
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
std::size_t TerminalColumns(std::string_view line) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const std::size_t more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t point = more == 0 ? lead : lead & (0x3F >> more);
    for (std::size_t k = 1; k <= more && i + k < line.size(); ++k)
      point = point << 6 | (static_cast<unsigned char>(line[i + k]) & 0x3F);
    columns += Wide(point) ? 2 : 1;
    i += more + 1;
  }
  return columns;
}

}  // namespace virtual_board
