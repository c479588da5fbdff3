#include "board_state.h"

#include <cstdio>

#include "board_protocol.h"

namespace virtual_board {

namespace board = orlanek::board;

void BoardState::Apply(std::span<const std::uint8_t> report) {
  if (report.size() < board::kPaddingFrom) return;
  const std::uint8_t data = report[board::kDataAt];
  const std::uint8_t ctrl = report[board::kControlAt];
  if (ctrl == board::kGreenWrite) green_ = data;
  const bool strobe = (ctrl & board::kRedHoldBit) && (ctrl & board::kRedStrobeBit);
  if (strobe && !strobe_high_) red_ = data;
  strobe_high_ = strobe;
}

std::string BoardState::JsonLine(std::int64_t ms, std::uint8_t number,
                                 std::span<const std::uint8_t> report) const {
  std::string bytes;
  for (const std::uint8_t byte : report) {
    if (!bytes.empty()) bytes += ',';
    bytes += std::to_string(byte);
  }
  char line[128];
  std::snprintf(line, sizeof line, "\"number\":%u,\"green\":%u,\"red\":%u}", number, green_, red_);
  return "{\"ms\":" + std::to_string(ms) + ",\"report\":[" + bytes +
         "],\"length\":" + std::to_string(report.size()) + "," + line;
}

std::string JsonEvent(std::int64_t ms, const char* event) {
  return "{\"ms\":" + std::to_string(ms) + ",\"event\":\"" + event + "\"}";
}

std::string Lights(std::uint8_t row) {
  std::string lights;
  for (int bit = 7; bit >= 0; --bit) lights += (row >> bit & 1) ? "\u25cf" : "\u25cb";
  return lights;
}

}  // namespace virtual_board
