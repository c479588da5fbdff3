#include "board_state.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace virtual_board {
namespace {

void Send(BoardState& board, std::uint8_t data, std::uint8_t ctrl) {
  const std::vector<std::uint8_t> report = {0, data, ctrl, 0, 0, 0, 0, 0, 0};
  board.Apply(report);
}

TEST(BoardState, GreenShowsTheDataOfAWriteAndRedLatchesOnTheStrobe) {
  BoardState board;
  Send(board, 0x81, 0x00);
  EXPECT_EQ(board.green(), 0x81);
  Send(board, 0x42, 0x20);
  EXPECT_EQ(board.red(), 0) << "bit 5 alone holds, it does not latch";
  Send(board, 0x42, 0x30);
  EXPECT_EQ(board.red(), 0x42);
  Send(board, 0x42, 0x20);
  Send(board, 0x17, 0x30);
  EXPECT_EQ(board.red(), 0x17);
  EXPECT_EQ(board.green(), 0x81) << "red-row writes leave the green row";
  // Holding the strobe high latches nothing new; a bare bit 4 is no strobe.
  Send(board, 0x99, 0x30);
  EXPECT_EQ(board.red(), 0x17);
  Send(board, 0x55, 0x20);
  Send(board, 0x55, 0x10);
  EXPECT_EQ(board.red(), 0x17);
  board.Apply(std::vector<std::uint8_t>{0, 1});
  EXPECT_EQ(board.green(), 0x81) << "a report too short for a control byte changes nothing";
}

TEST(BoardState, JsonLineAndRowsShowBitSevenOnTheLeft) {
  BoardState board;
  Send(board, 0x81, 0x00);
  const std::vector<std::uint8_t> report = {0, 3, 0x30};
  board.Apply(report);
  EXPECT_EQ(board.JsonLine(3007, 0, report),
            R"({"ms":3007,"report":[0,3,48],"length":3,"number":0,"green":129,"red":3})");
  EXPECT_EQ(board.JsonLine(0, 255, {}),
            R"({"ms":0,"report":[],"length":0,"number":255,"green":129,"red":3})");
  EXPECT_EQ(JsonEvent(5500, "unplugged"), R"({"ms":5500,"event":"unplugged"})");
  EXPECT_EQ(Lights(board.green()), "●○○○○○○●");
  EXPECT_EQ(Lights(board.red()), "○○○○○○●●");
}

}  // namespace
}  // namespace virtual_board
