#include <gtest/gtest.h>

#include "combapi.h"
#include "support/program_fixture.h"
#include "windows/forms.h"

namespace orlanek {
namespace {

using windows::frmMain;
using windows::OleColour;

class LedMirrorTest : public testing::ProgramFixture {
 protected:
  static std::vector<OleColour> Row(bool green) {
    std::vector<OleColour> colours;
    for (std::int16_t i = 0; i < 8; ++i) {
      colours.push_back(green ? frmMain().Shape1(i).FillColor() : frmMain().Shape2(i).FillColor());
    }
    return colours;
  }
  static std::vector<int> Styles() {
    std::vector<int> styles;
    for (std::int16_t i = 0; i < 8; ++i) {
      styles.push_back(frmMain().Shape1(i).FillStyle());
      styles.push_back(frmMain().Shape2(i).FillStyle());
    }
    return styles;
  }
};

constexpr OleColour G = 0xFF00, g = 0x8000, R = 0xFF, r = 0x80;

TEST_F(LedMirrorTest, RowsShowBitIOnShapeIndexI) {
  ShowGreenLeds(0);
  EXPECT_EQ(Row(true), (std::vector<OleColour>{g, g, g, g, g, g, g, g}));
  ShowGreenLeds(0xFF);
  EXPECT_EQ(Row(true), (std::vector<OleColour>{G, G, G, G, G, G, G, G}));
  ShowGreenLeds(0x18);
  EXPECT_EQ(Row(true), (std::vector<OleColour>{g, g, g, G, G, g, g, g}));
  ShowRedLeds(0x81);
  EXPECT_EQ(Row(false), (std::vector<OleColour>{R, r, r, r, r, r, r, R}));
  EXPECT_EQ(Row(true), (std::vector<OleColour>{g, g, g, G, G, g, g, g}));
}

TEST_F(LedMirrorTest, EveryShapeOfTheRowIsWrittenOnEveryPaint) {
  frmMain().Touch();
  toolkit.log.clear();
  ShowRedLeds(0x01);
  ASSERT_EQ(toolkit.log.size(), 8u);
  EXPECT_EQ(toolkit.log.front(), "frmMain.Shape2(0).Fill=0000FF/0");
  EXPECT_EQ(toolkit.log.back(), "frmMain.Shape2(7).Fill=000080/0");
}

TEST_F(LedMirrorTest, MarkingChangesOnlyTheFillStyleInInterleavedOrder) {
  frmMain().Touch();
  toolkit.log.clear();
  MarkBoardAbsent();
  ASSERT_EQ(toolkit.log.size(), 16u);
  EXPECT_EQ(toolkit.log[0], "frmMain.Shape1(0).Fill=008000/1");
  EXPECT_EQ(toolkit.log[1], "frmMain.Shape2(0).Fill=000080/1");
  EXPECT_EQ(toolkit.log[15], "frmMain.Shape2(7).Fill=000080/1");
  EXPECT_EQ(Styles(), std::vector<int>(16, 1));

  ShowRedLeds(0xFF);  // painted while hollow: the colours are kept for later
  EXPECT_EQ(Styles(), std::vector<int>(16, 1));
  MarkBoardPresent();
  MarkBoardPresent();
  EXPECT_EQ(Styles(), std::vector<int>(16, 0));
  EXPECT_EQ(Row(false), std::vector<OleColour>(8, R));
  EXPECT_EQ(Row(true), std::vector<OleColour>(8, g));
}

TEST_F(LedMirrorTest, PaintingLoadsTheRunWindowHiddenWhenItIsNotLoaded) {
  ASSERT_FALSE(frmMain().IsLoaded());
  ShowGreenLeds(1);
  EXPECT_TRUE(frmMain().IsLoaded());
  EXPECT_FALSE(frmMain().Visible());
}

}  // namespace
}  // namespace orlanek
