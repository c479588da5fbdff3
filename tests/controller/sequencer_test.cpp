#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "board_protocol.h"
#include "clock.h"
#include "combapi.h"
#include "exercise_catalogue.h"
#include "support/program_fixture.h"
#include "support/sim_board.h"
#include "window_events.h"
#include "windows/forms.h"

namespace orlanek {
namespace {

using testing::BoardReport;
using testing::SimBoard;
using windows::allMenu;
using windows::frmMain;

constexpr std::int16_t kGreenButton = 0;
constexpr std::int16_t kRedButton = 1;
constexpr std::int16_t kExitButton = 2;

const std::vector<BoardReport> kRedClear = {{0, 0x20}, {0, 0x30}, {0, 0x20}};

std::vector<BoardReport> RedWrite(int value) {
  return {{value, 0x20}, {value, 0x30}, {value, 0x20}};
}

std::vector<BoardReport> Join(std::vector<BoardReport> a, const std::vector<BoardReport>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The whole program over the simulated board, with a clock that stands still at 14:05:09.
class SequencerTest : public testing::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    board.Reset();
    SetClock([] { return TimeOfDay{14, 5, 9}; });
    StartProgram();
  }
  void TearDown() override {
    SetClock(nullptr);
    board.Reset();
    ProgramFixture::TearDown();
  }

  void Choose(std::int16_t exercise) { allMenu().RaiseClick(exercise); }
  void Click(std::int16_t button) { frmMain().RaiseClick(button); }
  // A tick delivered the way Timer1 delivers it.
  std::vector<BoardReport> Tick() {
    frmMain().RaiseTimer();
    return board.TakeReports();
  }

  std::vector<int> Row(int array) {
    std::vector<int> colours;
    for (std::int16_t i = 0; i < 8; ++i) {
      colours.push_back(static_cast<int>(array == 1 ? frmMain().Shape1(i).FillColor()
                                                    : frmMain().Shape2(i).FillColor()));
    }
    return colours;
  }
  // The on-screen row as a step byte: lit LEDs are the bright colour.
  int GreenRow() { return RowByte(Row(1), 0xFF00); }
  int RedRow() { return RowByte(Row(2), 0xFF); }
  static int RowByte(const std::vector<int>& colours, int lit) {
    int value = 0;
    for (int i = 0; i < 8; ++i) {
      if (colours[i] == lit) value |= 1 << i;
    }
    return value;
  }
  // 0 when all sixteen LEDs are drawn filled, 1 when all are hollow, -1 when mixed.
  int LedStyle() {
    const int first = frmMain().Shape1(0).FillStyle();
    for (std::int16_t i = 0; i < 8; ++i) {
      if (frmMain().Shape1(i).FillStyle() != first || frmMain().Shape2(i).FillStyle() != first) {
        return -1;
      }
    }
    return first;
  }

  SimBoard board;
};

TEST_F(SequencerTest, ChoosingWithTheBoardPresentClearsItsRedRowAndOpensTheRunWindowIdle) {
  board.Plug();
  Choose(2);
  EXPECT_EQ(board.TakeReports(), kRedClear);
  EXPECT_EQ(board.Opens(), 2);
  EXPECT_EQ(board.LiveHandles(), 0);
  EXPECT_EQ(LedStyle(), 0);
  EXPECT_EQ(GreenRow(), 0);
  EXPECT_EQ(RedRow(), 0);
  EXPECT_EQ(Row(1), std::vector<int>(8, 0x8000));
  EXPECT_EQ(Row(2), std::vector<int>(8, 0x80));
  EXPECT_TRUE(frmMain().Visible());
  EXPECT_TRUE(frmMain().Timer1().Enabled());
  EXPECT_FALSE(allMenu().Visible());
  EXPECT_EQ(frmMain().Caption(), ExerciseAt(2)->caption);
  EXPECT_EQ(Station().RunMode, kRunModeIdle);
}

TEST_F(SequencerTest, ChoosingWithTheBoardAbsentSendsNothingAndDrawsTheLedsHollow) {
  Choose(0);
  EXPECT_TRUE(board.TakeReports().empty());
  EXPECT_EQ(LedStyle(), 1);
  EXPECT_TRUE(frmMain().Visible());
  EXPECT_EQ(Station().PatternBuffer[0], 1);
  EXPECT_EQ(Station().PatternBuffer[7], 128);
  EXPECT_EQ(Station().PatternBuffer[8], 0);
}

TEST_F(SequencerTest, EveryExercisePlaysOnceOnTheGreenRowThenHoldsItDark) {
  board.Plug();
  for (std::int16_t exercise = 0; exercise < 10; ++exercise) {
    Choose(exercise);
    board.TakeReports();
    Click(kGreenButton);
    std::vector<int> green;
    for (int tick = 0; tick < 25; ++tick) {
      for (const BoardReport& report : Tick()) {
        if (report.ctrl == 0) green.push_back(report.data);
      }
      EXPECT_EQ(GreenRow(), green.back());
      EXPECT_EQ(RedRow(), 0);
      EXPECT_LE(Station().StepIndex, board::kLastStep + 1);
    }
    const auto steps = ExerciseAt(exercise)->steps;
    std::vector<int> expected(steps.begin(), steps.end());
    expected.resize(25, 0);
    EXPECT_EQ(green, expected) << "exercise " << exercise;
    Click(kExitButton);
    Tick();
  }
}

TEST_F(SequencerTest, TheFirstGreenTickOfTheProgramClearsTwiceThenPlaysStepZero) {
  board.Plug();
  Choose(2);
  board.TakeReports();
  Click(kGreenButton);
  EXPECT_TRUE(board.TakeReports().empty());
  EXPECT_EQ(Tick(), Join(Join(kRedClear, kRedClear), {{3, 0}}));
  EXPECT_EQ(Tick(), (std::vector<BoardReport>{{6, 0}}));
  EXPECT_EQ(frmMain().Label1().Caption(), std::string(34, ' ') + "Current Time : 14:05:09");
  EXPECT_EQ(board.LiveHandles(), 0);
}

TEST_F(SequencerTest, TheRedTestWalksOneLedThenKeepsClearingTheRedRow) {
  board.Plug();
  Choose(0);
  Tick();
  Click(kRedButton);
  for (int step = 0; step < 8; ++step) {
    EXPECT_EQ(Tick(), RedWrite(1 << step)) << "step " << step;
    EXPECT_EQ(RedRow(), 1 << step);
    EXPECT_EQ(GreenRow(), 0);
  }
  for (int step = 8; step < 12; ++step) {
    EXPECT_EQ(Tick(), kRedClear) << "step " << step;
    EXPECT_EQ(RedRow(), 0);
  }
}

TEST_F(SequencerTest, ExitDarkensTheBoardAndTheReturnFindsNoPlugInToClear) {
  board.Plug();
  Choose(4);
  EXPECT_EQ(board.TakeReports(), kRedClear);
  EXPECT_EQ(Tick(), kRedClear);  // the first tick of the program's life
  EXPECT_TRUE(Tick().empty());
  Click(kExitButton);
  EXPECT_EQ(Tick(), kRedClear);
  EXPECT_TRUE(allMenu().Visible());
  EXPECT_FALSE(frmMain().Visible());
  EXPECT_FALSE(frmMain().Timer1().Enabled());
  EXPECT_EQ(Station().RunMode, kRunModeIdle);
  Choose(4);
  EXPECT_EQ(board.TakeReports(), kRedClear);
  EXPECT_TRUE(Tick().empty());
}

TEST_F(SequencerTest, ExitWithTheBoardAbsentReturnsWithoutWriting) {
  Choose(1);
  ShowGreenLeds(0xFF);
  Click(kExitButton);
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(GreenRow(), 0);
  EXPECT_TRUE(allMenu().Visible());
  EXPECT_EQ(Station().RunMode, kRunModeIdle);
}

TEST_F(SequencerTest, UnpluggedStepsAreSkippedAndTheReplugClearsTheRedRowFirst) {
  board.Plug();
  Choose(2);
  Click(kGreenButton);
  Tick();
  EXPECT_EQ(Tick(), (std::vector<BoardReport>{{6, 0}}));
  board.Unplug();
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(LedStyle(), 1);
  EXPECT_EQ(GreenRow(), 6);  // keeps its colours, drawn hollow
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(Station().StepIndex, 4);
  board.Plug();
  EXPECT_EQ(Tick(), Join(kRedClear, {{48, 0}}));
  EXPECT_EQ(LedStyle(), 0);
  EXPECT_EQ(GreenRow(), 48);
}

TEST_F(SequencerTest, AClickThenExitBeforeTheNextTickNeverPlaysTheFirstRequest) {
  board.Plug();
  Choose(0);
  Tick();
  Click(kGreenButton);
  Click(kExitButton);
  EXPECT_EQ(Tick(), kRedClear);
  EXPECT_TRUE(allMenu().Visible());
}

TEST_F(SequencerTest, IdleTicksHoldTheStepBetweenTwentyAndTwentyOne) {
  Choose(0);
  for (int tick = 0; tick < 30; ++tick) Tick();
  EXPECT_EQ(Station().StepIndex, board::kLastStep + 1);
  EXPECT_EQ(Station().RunMode, kRunModeIdle);
}

TEST_F(SequencerTest, TheCloseBoxDarkensTheBoardAndTheNextRunWindowStartsIdle) {
  board.Plug();
  Choose(8);
  Click(kGreenButton);
  Tick();
  Tick();
  board.TakeReports();
  frmMain().RaiseUnload();
  EXPECT_EQ(board.TakeReports(), kRedClear);
  EXPECT_FALSE(frmMain().IsLoaded());
  EXPECT_TRUE(allMenu().Visible());
  EXPECT_EQ(Station().RunMode, kRunModeGreen);  // until the next load
  Choose(8);
  EXPECT_EQ(Station().RunMode, kRunModeIdle);
  EXPECT_EQ(board.TakeReports(), kRedClear);
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(board.LiveHandles(), 0);
}

TEST_F(SequencerTest, AFlappingBoardLeavesNothingHeldBetweenTicks) {
  Choose(9);
  Click(kGreenButton);
  for (int tick = 0; tick < 200; ++tick) {
    if (tick % 3 == 0) board.Unplug();
    if (tick % 3 == 1) board.Plug();
    Tick();
    EXPECT_LE(board.LiveHandles() + board.LiveSets() + board.LivePreparsed(), 1);
  }
}

}  // namespace
}  // namespace orlanek
