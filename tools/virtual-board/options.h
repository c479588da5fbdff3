#pragma once

#include "board_device.h"

namespace virtual_board {

struct Options {
  DeviceIdentity identity;
  bool json = false;
  bool usb = false;
};

// The command line after the program's name; false on anything it does not take whole.
bool ParseOptions(int argc, const char* const* argv, Options* options);

}  // namespace virtual_board
