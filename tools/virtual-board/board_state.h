#pragma once

#include <cstdint>
#include <span>
#include <string>

// What the LED board does with the feature reports it is sent: control byte 0x00 shows the
// data byte on the green row; the red row takes over the data byte on the strobe (bit 4 set
// while bit 5 is held) and keeps it until the next strobe.
namespace virtual_board {

class BoardState {
 public:
  // report: the feature report as the host sent it, report ID byte first.
  void Apply(std::span<const std::uint8_t> report);

  std::uint8_t green() const { return green_; }
  std::uint8_t red() const { return red_; }

  // One JSON line for a report: when it came (ms since the board was made), the report,
  // the report number the kernel gave with it, and the rows after it.
  std::string JsonLine(std::int64_t ms, std::uint8_t number,
                       std::span<const std::uint8_t> report) const;

 private:
  std::uint8_t green_ = 0;
  std::uint8_t red_ = 0;
  bool strobe_high_ = false;
};

// One row's LEDs for a terminal, bit 7 on the left: "●●○○○○○○".
std::string Lights(std::uint8_t row);

// One JSON line for a plug change: "plugged" or "unplugged", ms since the board was made.
std::string JsonEvent(std::int64_t ms, const char* event);

}  // namespace virtual_board
