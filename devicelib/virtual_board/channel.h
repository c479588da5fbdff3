#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "board_protocol.h"

// How a virtual board offers the LED board to Varnel where no HID device can be made for it:
// through a channel of the platform's (a named pipe on Windows, a Unix-domain socket on Linux),
// which the library lists after the system's HID interfaces. A program that opens the board
// holds it until it closes it; the board then serves the next one. On the channel, in bytes:
// the board first sends its Greeting; each feature report (feature_report_length bytes, report
// ID first) is then answered with kAccepted.
namespace varnel::virtual_board_channel {

struct Greeting {
  std::uint16_t vendor_id;
  std::uint16_t product_id;
  std::uint16_t version_number;
  std::uint16_t feature_report_length;
};
static_assert(sizeof(Greeting) == 8);

// The LED board: one feature report of 8 bytes after its ID byte.
inline constexpr Greeting kBoard = {static_cast<std::uint16_t>(orlanek::board::kVendorId),
                                    static_cast<std::uint16_t>(orlanek::board::kProductId), 0x0100,
                                    9};
inline constexpr std::uint8_t kAccepted = 1;

// How long the board may take to answer; one that takes longer is pulled out for that open.
inline constexpr int kAnswerMs = 500;

// The board's ids as a HID interface's device path carries them.
inline std::string IdsInPath() {
  char ids[32];
  std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", kBoard.vendor_id, kBoard.product_id);
  return ids;
}

}  // namespace varnel::virtual_board_channel
