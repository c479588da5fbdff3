#include "station_model.h"

#include "board_protocol.h"
#include "exercise_table.h"

namespace orlanek {
namespace {

using Kind = ScreenChange::Kind;

// The red latch on the board is loaded with 0 and the on-screen red row painted dark.
void RedClear(Answer& answer) {
  answer.writes.push_back(kRedClear);
  answer.screen.push_back({Kind::kRedRow, 0});
}

// Both rows dark, and back to the menu.
void Leave(Answer& answer) {
  answer.screen.push_back({Kind::kGreenRow, 0});
  answer.flow = Flow::kShowMenu;
}

}  // namespace

std::vector<BoardReport> ReportsOf(const std::vector<BoardWrite>& writes) {
  std::vector<BoardReport> reports;
  for (const BoardWrite& write : writes) {
    if (!write.red) {
      reports.push_back({write.value, board::kGreenWrite});
      continue;
    }
    for (const std::uint8_t control : board::kRedLatch) reports.push_back({write.value, control});
  }
  return reports;
}

void StationModel::RunWindowLoaded() {
  RunMode = kRunModeIdle;
}

// The board's red row and both on-screen rows go dark when the board is there; the run window
// opens idle on the exercise's steps.
Answer StationModel::ExerciseChosen(std::int16_t index, std::int16_t board) {
  Answer answer;
  if (board == board::kPresent) {
    answer.reopen = true;
    RedClear(answer);
    answer.screen.push_back({Kind::kGreenRow, 0});
  }
  for (std::int32_t entry = 0; entry <= board::kLastStep; ++entry) PatternBuffer[entry] = 0;
  if (const Exercise* exercise = ExerciseAt(index)) {
    answer.caption = exercise->caption;
    std::int32_t entry = 0;
    for (const std::uint8_t step : exercise->steps) PatternBuffer[entry++] = step;
  }
  answer.flow = Flow::kShowRunWindow;
  return answer;
}

Answer StationModel::ButtonClicked(std::int16_t index) {
  StepIndex = 0;
  RunMode = index;
  Answer answer;
  answer.flow = Flow::kTimerOn;
  return answer;
}

Answer StationModel::Tick(std::int16_t board) {
  if (StepIndex > board::kLastStep) StepIndex = board::kLastStep;
  Answer answer;
  if (board != 0) {
    BoardPresent(board, answer);
  } else {
    BoardAbsent(answer);
  }
  LastBoardState = board;
  StepIndex = StepIndex + Int16(1);
  return answer;
}

void StationModel::BoardPresent(std::int16_t board, Answer& answer) {
  answer.screen.push_back({Kind::kMarkPresent, 0});
  if (LastBoardState == 0 && board == board::kPresent) RedClear(answer);
  // Three separate tests: only the exit changes RunMode, to a value none of them matches.
  if (RunMode == kRunModeGreen) {
    if (StepIndex == 0) RedClear(answer);
    const std::uint8_t step = PatternBuffer[StepIndex];
    answer.writes.push_back({false, step});
    answer.screen.push_back({Kind::kGreenRow, step});
    answer.screen.push_back({Kind::kRedRow, 0});
  }
  if (RunMode == kRunModeRed) {
    if (StepIndex >= board::kRedWalkSteps) {
      RedClear(answer);
    } else {
      const auto walking = static_cast<std::uint8_t>(1u << StepIndex);
      answer.writes.push_back({true, walking});
      answer.screen.push_back({Kind::kRedRow, walking});
      answer.screen.push_back({Kind::kGreenRow, 0});
    }
  }
  if (RunMode == kRunModeExit) {
    RedClear(answer);
    Leave(answer);
    RunMode = kRunModeIdle;
  }
  answer.release = true;
}

// Nothing is written and nothing released; the rows keep their colours, drawn hollow.
void StationModel::BoardAbsent(Answer& answer) {
  answer.screen.push_back({Kind::kMarkAbsent, 0});
  if (RunMode == kRunModeExit) {
    answer.screen.push_back({Kind::kRedRow, 0});
    Leave(answer);
    RunMode = kRunModeIdle;
  }
}

// The board stays open: the library's next open replaces what this one acquired.
Answer StationModel::RunWindowClosed(std::int16_t board) {
  Answer answer;
  if (board != 0) answer.writes.push_back(kRedClear);
  answer.screen.push_back({Kind::kRedRow, 0});
  Leave(answer);
  return answer;
}

StationModel& Station() {
  static StationModel station;
  return station;
}

}  // namespace orlanek
