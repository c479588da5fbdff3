#pragma once

#include <cstdint>

namespace varnel::platform {

// A GUID in the Windows layout.
struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

// The HID interface class, as hid.dll's HidD_GetHidGuid gives it. The layers that have no
// hid.dll to ask (Linux, the simulated bus) and the Windows test doubles use this value.
inline constexpr Guid kHidGuid = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

}  // namespace varnel::platform
