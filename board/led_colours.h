#pragma once

#include <cstdint>

// The on-screen LEDs' colours, as Windows colour values &H00BBGGRR: Orlanek's run window and
// the virtual board's window show a row alike.
namespace orlanek {

struct RowColours {
  std::uint32_t lit;
  std::uint32_t dark;
};

inline constexpr RowColours kGreenRow{0x0000FF00, 0x00008000};
inline constexpr RowColours kRedRow{0x000000FF, 0x00000080};

}  // namespace orlanek
