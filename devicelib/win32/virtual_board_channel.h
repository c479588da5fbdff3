#pragma once

#include <string>

#include "virtual_board/channel.h"

// The channel on Windows: virtual-board.exe offers the board to Varnel.dll on the same desktop
// through one named pipe whose name is the board's device path, carrying the ids as a HID
// interface's path does. While the pipe is there, so is an event of kPresenceName, which a
// program looks for (one quick call) before it looks at the pipe.
namespace varnel::virtual_board_channel {

// In the namespace of this desktop's session.
inline constexpr const char* kPresenceName = "Local\\varnel-virtual-board";

// Pipes are seen across the machine; the session number keeps the board on its own desktop.
inline std::string DevicePath(unsigned long session) {
  return "\\\\.\\pipe\\varnel-virtual-board-" + std::to_string(session) + "#" + IdsInPath();
}

}  // namespace varnel::virtual_board_channel
