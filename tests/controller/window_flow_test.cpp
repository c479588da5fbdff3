#include <gtest/gtest.h>

#include "combapi.h"
#include "support/program_fixture.h"
#include "window_events.h"
#include "windows/forms.h"

namespace orlanek {
namespace {

using windows::allMenu;
using windows::frmMain;
using Log = std::vector<std::string>;

class WindowFlowTest : public testing::ProgramFixture {
 protected:
  // What the toolkit was told since the last call.
  Log Changes() {
    Log changes(toolkit.log.begin() + static_cast<std::ptrdiff_t>(seen_), toolkit.log.end());
    seen_ = toolkit.log.size();
    return changes;
  }

 private:
  std::size_t seen_ = 0;
};

TEST_F(WindowFlowTest, StartShowsTheMenuAloneWithTheRunWindowLoadedHiddenAndIdle) {
  StartProgram();
  EXPECT_EQ(Changes(),
            (Log{"allMenu.Created", "allMenu.Enabled=1", "allMenu.Visible=1", "frmMain.Created",
                 "frmMain.Enabled=0", "frmMain.Visible=0", "frmMain.Timer1.Enabled=0"}));
  EXPECT_EQ(Station().RunMode, kRunModeIdle);
  EXPECT_TRUE(frmMain().IsLoaded());
  EXPECT_FALSE(frmMain().Timer1().Enabled());
  EXPECT_FALSE(ProgramEnding());
}

TEST_F(WindowFlowTest, SwitchesShowTheTargetBeforeHidingTheOther) {
  StartProgram();
  Changes();
  ShowRunWindow();
  EXPECT_EQ(Changes(), (Log{"frmMain.Enabled=1", "frmMain.Visible=1", "frmMain.Timer1.Enabled=1",
                            "allMenu.Enabled=0", "allMenu.Visible=0"}));
  ShowRunWindow();
  EXPECT_TRUE(frmMain().Visible());
  EXPECT_FALSE(allMenu().Visible());
  Changes();
  ShowMenu();
  EXPECT_EQ(Changes(), (Log{"allMenu.Enabled=1", "allMenu.Visible=1", "frmMain.Enabled=0",
                            "frmMain.Visible=0", "frmMain.Timer1.Enabled=0"}));
  ShowMenu();
  EXPECT_TRUE(allMenu().Visible() && allMenu().Enabled());
  EXPECT_FALSE(frmMain().Visible() || frmMain().Enabled() || frmMain().Timer1().Enabled());
}

TEST_F(WindowFlowTest, ClosingTheMenuEndsTheProgramWithStatusZeroAndNothingAfter) {
  StartProgram();
  ShowMenu();
  Station().RunMode = 0;
  Changes();
  allMenu().RaiseUnload();
  EXPECT_EQ(Changes(), (Log{"frmMain.Enabled=0", "frmMain.Visible=0", "frmMain.Timer1.Enabled=0",
                            "allMenu.Enabled=0", "allMenu.Visible=0", "allMenu.Destroyed"}));
  EXPECT_EQ(host.quits, std::vector<int>{0});
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(Station().RunMode, 0);  // the run window's handlers did not run
  frmMain().RaiseUnload();
  EXPECT_TRUE(frmMain().IsLoaded());
}

TEST_F(WindowFlowTest, ClosingTheMenuAfterTheRunWindowWasClosedLoadsItAgainFirst) {
  StartProgram();
  frmMain().RaiseUnload();
  Station().RunMode = 0;
  Changes();
  allMenu().RaiseUnload();
  const Log changes = Changes();
  ASSERT_GE(changes.size(), 2u);
  EXPECT_EQ(changes[0], "frmMain.Created");
  EXPECT_EQ(changes[1], "frmMain.Enabled=0");
  EXPECT_EQ(Station().RunMode, kRunModeIdle);
  EXPECT_EQ(host.quits, std::vector<int>{0});
}

TEST_F(WindowFlowTest, AfterTheCloseBoxTheRunWindowComesBackFromItsDesign) {
  StartProgram();
  ShowRunWindow();
  MarkBoardAbsent();
  ShowGreenLeds(0xFF);
  frmMain().RaiseUnload();
  ASSERT_FALSE(frmMain().IsLoaded());
  Station().RunMode = 0;
  ShowRunWindow();
  EXPECT_EQ(Station().RunMode, kRunModeIdle);
  EXPECT_TRUE(frmMain().Visible());
  EXPECT_TRUE(frmMain().Timer1().Enabled());
  for (std::int16_t i = 0; i < 8; ++i) {
    EXPECT_EQ(frmMain().Shape1(i).FillColor(), 0x8000u);
    EXPECT_EQ(frmMain().Shape1(i).FillStyle(), 0);
  }
}

}  // namespace
}  // namespace orlanek
