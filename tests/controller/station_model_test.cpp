#include "station_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "exercise_table.h"
#include "runtime_error.h"

namespace orlanek {
namespace {

using Kind = ScreenChange::Kind;
using Writes = std::vector<BoardWrite>;
using Screen = std::vector<ScreenChange>;

constexpr std::int16_t kPresent = -1, kAbsent = 0;

TEST(PatternBuffer, HoldsEntriesZeroToNinetyNineAndRefusesOthers) {
  StationModel station;
  EXPECT_EQ(station.PatternBuffer.UpperBound(), 99);
  for (std::int32_t i = 0; i <= 99; ++i) EXPECT_EQ(station.PatternBuffer[i], 0) << i;
  EXPECT_THROW(station.PatternBuffer[100], RuntimeError);
  EXPECT_THROW(station.PatternBuffer[-1], RuntimeError);
  EXPECT_THROW(station.PatternBuffer[INT16_MIN], RuntimeError);
}

TEST(StationModel, AChoiceClearsThroughAnOpenOfItsOwnAndOpensTheRunWindow) {
  StationModel station;
  station.ExerciseChosen(8, kPresent);  // fifteen steps, overwritten below
  const Answer present = station.ExerciseChosen(6, kPresent);
  EXPECT_TRUE(present.reopen);
  EXPECT_FALSE(present.release);
  EXPECT_EQ(present.writes, Writes{kRedClear});
  EXPECT_EQ(ReportsOf(present.writes), (std::vector<BoardReport>{{0, 0x20}, {0, 0x30}, {0, 0x20}}));
  EXPECT_EQ(present.screen, (Screen{{Kind::kRedRow, 0}, {Kind::kGreenRow, 0}}));
  EXPECT_EQ(present.caption, ExerciseAt(6)->caption);
  EXPECT_EQ(present.flow, Flow::kShowRunWindow);
  for (std::int32_t entry = 4; entry <= 20; ++entry) EXPECT_EQ(station.PatternBuffer[entry], 0);

  const Answer absent = station.ExerciseChosen(10, kAbsent);  // no such button
  EXPECT_TRUE(absent.writes.empty());
  EXPECT_TRUE(absent.screen.empty());
  EXPECT_EQ(absent.caption, nullptr);
  EXPECT_EQ(station.PatternBuffer[0], 0);
  EXPECT_EQ(station.RunMode, 0);  // a choice leaves the sequencer alone
}

TEST(StationModel, TheFirstGreenTickClearsForThePlugInAndTheRunThenPlays) {
  StationModel station;
  station.ExerciseChosen(2, kPresent);
  EXPECT_EQ(station.ButtonClicked(0).flow, Flow::kTimerOn);
  const Answer first = station.Tick(kPresent);
  EXPECT_EQ(first.writes, (Writes{kRedClear, kRedClear, {false, 3}}));
  EXPECT_EQ(first.screen, (Screen{{Kind::kMarkPresent, 0},
                                  {Kind::kRedRow, 0},
                                  {Kind::kRedRow, 0},
                                  {Kind::kGreenRow, 3},
                                  {Kind::kRedRow, 0}}));
  EXPECT_TRUE(first.release);
  EXPECT_EQ(station.Tick(kPresent).writes, (Writes{{false, 6}}));
  // Away: nothing written or released, the count goes on.
  const Answer away = station.Tick(kAbsent);
  EXPECT_EQ(away.screen, (Screen{{Kind::kMarkAbsent, 0}}));
  EXPECT_FALSE(away.release);
  EXPECT_EQ(station.Tick(kPresent).writes, (Writes{kRedClear, {false, 24}}));
}

TEST(StationModel, TheRedWalkEndsInClearsAndExitGoesBackToTheMenu) {
  StationModel station;
  station.LastBoardState = kPresent;
  station.ButtonClicked(1);
  for (int step = 0; step < 8; ++step) {
    EXPECT_EQ(station.Tick(kPresent).writes, (Writes{{true, std::uint8_t(1 << step)}}));
  }
  EXPECT_EQ(station.Tick(kPresent).writes, Writes{kRedClear});
  station.ButtonClicked(2);
  const Answer exit = station.Tick(kPresent);
  EXPECT_EQ(exit.writes, Writes{kRedClear});
  EXPECT_EQ(exit.flow, Flow::kShowMenu);
  EXPECT_TRUE(exit.release);
  EXPECT_EQ(station.RunMode, kRunModeIdle);
  for (int tick = 0; tick < 30; ++tick) EXPECT_TRUE(station.Tick(kPresent).writes.empty());
  EXPECT_EQ(station.StepIndex, 21);
}

TEST(StationModel, TheCloseBoxClearsWithoutReleasingAndKeepsTheMode) {
  StationModel station;
  station.ButtonClicked(0);
  const Answer present = station.RunWindowClosed(kPresent);
  EXPECT_EQ(present.writes, Writes{kRedClear});
  EXPECT_FALSE(present.release);
  EXPECT_EQ(present.flow, Flow::kShowMenu);
  EXPECT_TRUE(station.RunWindowClosed(kAbsent).writes.empty());
  EXPECT_EQ(station.RunMode, kRunModeGreen);
  station.RunWindowLoaded();
  EXPECT_EQ(station.RunMode, kRunModeIdle);
}

}  // namespace
}  // namespace orlanek
