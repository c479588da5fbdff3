#pragma once

#include "board_device.h"

namespace virtual_board {

struct Options {
  DeviceIdentity identity;
  bool json = false;
  bool usb = false;
  bool socket = false;
};

// The command line after the program's name; false on anything it does not take whole, and on
// two places for the board at once.
bool ParseOptions(int argc, const char* const* argv, Options* options);

}  // namespace virtual_board
