#pragma once

#include <cstdint>

// The board link: the three functions of the device library that the controller calls, bound
// by name at their first call, and the board probe built on them.
namespace orlanek {

// The file the library is loaded from, without a path.
extern const char* const kDeviceLibraryFile;

std::int16_t OpenUsbDevice(std::int16_t vendor, std::int16_t product);
void OutDataCtrl(std::uint8_t data, std::uint8_t ctrl);
void CloseUsbDevice();

// Checks for the board, marks the on-screen LEDs filled or hollow and leaves it closed.
std::int16_t ProbeBoard();

}  // namespace orlanek
