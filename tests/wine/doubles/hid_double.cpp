// hid.dll for the tests: the six HID functions the library binds, over the bus.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "hid_bus.h"

namespace {

std::string Hex(const void* value) {
  char text[24];
  std::snprintf(text, sizeof text, "%lx",
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(value)));
  return text;
}

struct Attributes {
  ULONG size;
  USHORT vendor;
  USHORT product;
  USHORT version;
};

constexpr LONG kSuccess = 0x00110000;
constexpr LONG kInvalidPreparsedData = static_cast<LONG>(0xC0110001);

}  // namespace

extern "C" {

__declspec(dllexport) void WINAPI HidD_GetHidGuid(GUID* guid) {
  Bus_Record("HidD_GetHidGuid");
  *guid = kHidGuid;
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetAttributes(HANDLE device, Attributes* attributes) {
  std::uint32_t access = 0;
  const int number = Bus_InterfaceOf(device, &access);
  char granted[16];
  std::snprintf(granted, sizeof granted, "%lx", static_cast<unsigned long>(access));
  Bus_Record(("HidD_GetAttributes device=" + Hex(device) + " access=" + granted).c_str());
  if (number < 0 || !Bus_Attributes(number, &attributes->vendor, &attributes->product)) {
    return FALSE;
  }
  attributes->size = sizeof *attributes;
  attributes->version = 0x100;
  return TRUE;
}

__declspec(dllexport) BOOLEAN WINAPI HidD_GetPreparsedData(HANDLE device, void** preparsed) {
  Bus_Record(("HidD_GetPreparsedData device=" + Hex(device)).c_str());
  const int number = Bus_InterfaceOf(device, nullptr);
  if (number < 0) return FALSE;
  *preparsed = Bus_NewPreparsed(number);
  return TRUE;
}

__declspec(dllexport) LONG WINAPI HidP_GetCaps(void* preparsed, std::uint16_t* caps) {
  Bus_Record(("HidP_GetCaps preparsed=" + Hex(preparsed)).c_str());
  const int length = Bus_PreparsedLength(preparsed);
  if (length < 0) return kInvalidPreparsedData;
  for (int i = 0; i < 32; ++i) caps[i] = 0;
  caps[0] = 1;       // usage
  caps[1] = 0xFF00;  // usage page
  caps[4] = static_cast<std::uint16_t>(length);
  return kSuccess;
}

__declspec(dllexport) BOOLEAN WINAPI HidD_SetFeature(HANDLE device, void* report, ULONG length) {
  Bus_Record(
      ("HidD_SetFeature device=" + Hex(device) + " length=" + std::to_string(length)).c_str());
  const int number = Bus_InterfaceOf(device, nullptr);
  if (number < 0 || length == 0) return FALSE;
  Bus_AddReport(number, static_cast<const std::uint8_t*>(report), static_cast<int>(length));
  return TRUE;
}

__declspec(dllexport) BOOLEAN WINAPI HidD_FreePreparsedData(void* preparsed) {
  Bus_Record(("HidD_FreePreparsedData preparsed=" + Hex(preparsed)).c_str());
  return Bus_FreePreparsed(preparsed);
}

}  // extern "C"
