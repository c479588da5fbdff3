#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "board_protocol.h"

// How virtual-board.exe offers the LED board to Varnel.dll on the same desktop: one named pipe
// whose name is the board's device path, carrying the ids as a HID interface's path does. A
// program that opens the path holds the board until it closes it; the board then waits for the
// next one. While the pipe is there, so is an event of kPresenceName, which a program looks for
// (one quick call) before it looks at the pipe. On the pipe, in bytes: the board first sends its
// Greeting; each feature report (feature_report_length bytes, report ID first) is then answered
// with kAccepted.
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
// In the namespace of this desktop's session.
inline constexpr const char* kPresenceName = "Local\\varnel-virtual-board";

// Pipes are seen across the machine; the session number keeps the board on its own desktop.
inline std::string DevicePath(unsigned long session) {
  char ids[32];
  std::snprintf(ids, sizeof ids, "#vid_%04x&pid_%04x", kBoard.vendor_id, kBoard.product_id);
  return "\\\\.\\pipe\\varnel-virtual-board-" + std::to_string(session) + ids;
}

}  // namespace varnel::virtual_board_channel
