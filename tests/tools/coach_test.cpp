#include "coach.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "columns.h"
#include "station_model.h"

namespace virtual_board {
namespace {

using station_check::Status;

// A session played by the reference station, coached as it comes: exercise 3 chosen, "Green
// LED" to the end of the run with the board pulled out and put back in it, "Red LED" to the end
// of the walk, "EXIT". wrong_tick: the tick whose green step goes out with bit 4 flipped, or -1.
class Played {
 public:
  explicit Played(int wrong_tick) : coach_(3, nullptr), wrong_tick_(wrong_tick) {
    Plug(true);
    model_.RunWindowLoaded();
    now_ = 400'000;
    Send(model_.ExerciseChosen(2, -1));
    model_.ButtonClicked(0);
    for (int tick = 0; tick < 40; ++tick) {
      if (tick == 6 || tick == 8) Plug(tick == 8);
      if (tick == 26) model_.ButtonClicked(1);
      if (tick == 37) model_.ButtonClicked(2);
      now_ = 1'400'000 + tick * std::int64_t{1'000'000};
      const orlanek::Answer answer = model_.Tick(present_ ? -1 : 0);
      Send(answer, tick);
      if (answer.flow == orlanek::Flow::kShowMenu) break;
    }
    verdict = coach_.Finish();
    views.push_back(coach_.view());
  }

  std::vector<CoachView> views;  // after every report and plug change, and at the end
  station_check::Verdict verdict;
  std::int64_t wrong_us = -1;
  std::uint8_t sent = 0, reference = 0;

 private:
  void Plug(bool in) {
    present_ = in;
    views.push_back(coach_.Plug(now_, in));
  }
  void Send(const orlanek::Answer& answer, int tick = -1) {
    if (!present_) return;
    for (const orlanek::BoardReport& report : orlanek::ReportsOf(answer.writes)) {
      std::uint8_t data = report.data;
      if (tick == wrong_tick_ && report.control == 0) {
        reference = data;
        data ^= 0x10;
        sent = data;
        wrong_us = now_;
      }
      const std::uint8_t bytes[9] = {0, data, report.control};
      views.push_back(coach_.Report(now_, bytes, ++number_));
      now_ += 1000;
    }
  }

  Coach coach_;
  orlanek::StationModel model_;
  int wrong_tick_;
  bool present_ = false;
  std::int64_t now_ = 0;
  std::size_t number_ = 0;
};

std::string Statuses(const CoachView& view) {
  std::string text;
  for (const station_check::RuleResult& rule : view.rules)
    text += std::to_string(rule.number) + (rule.status == Status::kBroken ? "x " : "ok ");
  return text;
}

TEST(Coach, AReferenceSessionBreaksNothingAndEndsWithEveryRuleHeld) {
  const Played played(-1);
  for (std::size_t i = 0; i < played.views.size(); ++i) {
    const CoachView& view = played.views[i];
    ASSERT_EQ(view.breaks, 0) << "after event " << i << ": " << view.first_break;
  }
  // The judge may wait for a tick's last report before it tells the reference's rows.
  const CoachView& end = played.views.back();
  EXPECT_EQ(end.now.green, end.now.reference_green);
  EXPECT_EQ(end.now.red, end.now.reference_red);
  EXPECT_TRUE(played.verdict.pass) << station_check::Describe(played.verdict);
  for (const station_check::RuleResult& rule : played.verdict.rules)
    EXPECT_EQ(rule.status, Status::kHeld) << station_check::Describe(played.verdict);
  const std::vector<std::string> lines = CoachLines(played.views.back());
  ASSERT_EQ(lines.size(), 2u) << lines.back();
  EXPECT_NE(lines[0].find("reference green"), std::string::npos) << lines[0];
}

TEST(Coach, AWrongStepIsTheFirstBreakAtItsTickWithBothBytesAndIsKept) {
  const Played played(4);
  ASSERT_GE(played.wrong_us, 0);
  char sentence[96];
  std::snprintf(sentence, sizeof sentence, "at %.3f s", played.wrong_us / 1e6);
  const std::string bytes = "sent green " + std::to_string(played.sent) +
                            " where the reference sends green " + std::to_string(played.reference);
  std::string first;
  for (const CoachView& view : played.views) {
    if (first.empty()) {
      first = view.first_break;
      continue;
    }
    EXPECT_EQ(view.first_break, first) << "the first break changed";
  }
  EXPECT_NE(first.find("rule 4"), std::string::npos) << first;
  EXPECT_NE(first.find(sentence), std::string::npos) << first;
  EXPECT_NE(first.find(bytes), std::string::npos) << first;
  EXPECT_FALSE(played.verdict.pass);
  EXPECT_EQ(Statuses(played.views.back()), "1ok 2ok 3ok 4x 5ok 6ok ");
  const std::vector<std::string> lines = CoachLines(played.views.back());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "first break: " + first) << lines[2];
}

// Drawn in place, a line wider than counted leaves rows behind on a narrow terminal.
TEST(Coach, ATerminalGivesAChineseCharacterTwoColumnsAndALedOne) {
  EXPECT_EQ(station_check::Columns("規則  1 符合"), 12u);
  EXPECT_EQ(station_check::Columns("首次違反：規則 4，"), 18u);
  EXPECT_EQ(station_check::Columns("green ●○○○○○○●"), 14u);
}

}  // namespace
}  // namespace virtual_board
