#include <gtest/gtest.h>

#include "combapi.h"
#include "support/program_fixture.h"
#include "windows/forms.h"

namespace orlanek {
namespace {

using windows::frmMain;

class CountingEvents : public windows::FormEvents {
 public:
  void Load() override { ++loads; }
  void Unload(std::int16_t& cancel) override {
    ++unloads;
    cancel = keep_open;
  }
  void Click(std::int16_t index) override { clicks.push_back(index); }
  void Timer() override { ++ticks; }

  int loads = 0;
  int unloads = 0;
  std::int16_t keep_open = 0;
  std::vector<std::int16_t> clicks;
  int ticks = 0;
};

class WindowLifeTest : public testing::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    frmMain().BindEvents(&events);
  }
  CountingEvents events;
};

TEST_F(WindowLifeTest, FirstTouchOfAnyPropertyLoadsOnceHidden) {
  EXPECT_FALSE(frmMain().IsLoaded());
  EXPECT_EQ(toolkit.windows_made, 0);
  frmMain().Shape2(7).FillColor();
  EXPECT_TRUE(frmMain().IsLoaded());
  EXPECT_EQ(events.loads, 1);
  EXPECT_FALSE(frmMain().Visible());
  frmMain().Label1().Caption();
  frmMain().SetCaption("x");
  EXPECT_EQ(events.loads, 1);
  EXPECT_EQ(toolkit.windows_made, 1);
}

TEST_F(WindowLifeTest, CloseBoxRunsUnloadThenDestroysControlsAndNextTouchReloadsDesign) {
  frmMain().SetCaption("Drosvane第10題 (範例程式)");
  frmMain().Shape1(0).SetFillColor(0xFF00);
  frmMain().Shape1(0).SetFillStyle(1);
  frmMain().Label1().SetCaption("clock");
  frmMain().Timer1().SetEnabled(false);

  frmMain().RaiseUnload();
  EXPECT_EQ(events.unloads, 1);
  EXPECT_FALSE(frmMain().IsLoaded());
  EXPECT_EQ(toolkit.windows_destroyed, 1);

  EXPECT_EQ(frmMain().Caption(), "Drosvane第1題 (範例程式)");
  EXPECT_EQ(events.loads, 2);
  EXPECT_EQ(frmMain().Shape1(0).FillColor(), 0x8000u);
  EXPECT_EQ(frmMain().Shape1(0).FillStyle(), 0);
  EXPECT_EQ(frmMain().Label1().Caption(), "");
  EXPECT_EQ(frmMain().Label2().Caption(), "範例程式");
  EXPECT_TRUE(frmMain().Timer1().Enabled());
  EXPECT_EQ(frmMain().Timer1().Interval(), 1000);
}

TEST_F(WindowLifeTest, UnloadHandlerThatCancelsKeepsTheWindow) {
  events.keep_open = 1;
  frmMain().Touch();
  frmMain().RaiseUnload();
  EXPECT_TRUE(frmMain().IsLoaded());
  EXPECT_EQ(toolkit.windows_destroyed, 0);
}

TEST_F(WindowLifeTest, ClicksAndTicksReachHandlersOnlyWhenAccepted) {
  frmMain().RaiseClick(2);  // not loaded: nothing to click
  frmMain().Touch();
  frmMain().RaiseClick(2);
  frmMain().SetEnabled(false);
  frmMain().RaiseClick(0);
  EXPECT_EQ(events.clicks, std::vector<std::int16_t>{2});

  frmMain().RaiseTimer();
  frmMain().Timer1().SetEnabled(false);
  frmMain().RaiseTimer();
  EXPECT_EQ(events.ticks, 1);
}

TEST_F(WindowLifeTest, MissingControlArrayElementIsARunTimeError) {
  EXPECT_THROW(frmMain().Shape1(8), RuntimeError);
  EXPECT_THROW(frmMain().Shape2(-1), RuntimeError);
  EXPECT_THROW(frmMain().Shape1(0).SetFillStyle(2), RuntimeError);
  EXPECT_NO_THROW(frmMain().Shape2(0));
}

}  // namespace
}  // namespace orlanek
