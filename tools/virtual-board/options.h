#pragma once

#include <string>

#include "board_device.h"

namespace virtual_board {

struct Options {
  DeviceIdentity identity;
  bool json = false;
  bool usb = false;
  bool socket = false;
  // The practice coach: on with --coach, --exercise or --picture; exercise 0 takes the one
  // the steps show.
  bool coach = false;
  int exercise = 0;
  std::string picture;  // .svg or .png, drawn at the end
};

// The command line after the program's name; false on anything it does not take whole, and on
// two places for the board at once, and on a picture that is neither .svg nor .png.
bool ParseOptions(int argc, const char* const* argv, Options* options);

}  // namespace virtual_board
