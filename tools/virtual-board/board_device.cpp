#include "board_device.h"

namespace virtual_board {

std::vector<std::uint8_t> FeatureReportDescriptor(int feature_bytes) {
  const auto count_low = static_cast<std::uint8_t>(feature_bytes);
  const auto count_high = static_cast<std::uint8_t>(feature_bytes >> 8);
  return {
      0x06, 0x00,      0xFF,                    // usage page: vendor defined
      0x09, 0x01,                               // usage 1
      0xA1, 0x01,                               // collection: application
      0x15, 0x00,      0x26,       0xFF, 0x00,  // logical 0 to 255
      0x75, 0x08,                               // 8 bits each
      0x96, count_low, count_high,              // report count (two bytes)
      0x09, 0x01,                               // usage 1
      0xB1, 0x02,                               // feature: data, variable
      0xC0,                                     // end of the collection
  };
}

}  // namespace virtual_board
