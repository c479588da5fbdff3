#pragma once

#include <cstdint>
#include <string>

// The seven operations of the library as both binary forms share them. Texts keep their full
// length, NUL characters included; each export layer hands them over in its own form.
namespace varnel {

void CloseUsbDevice();
// The number of HID interfaces present among member indices 0 to 127, in decimal.
std::string FindHidDevice();
// The vendor and product id text of the interface at index; empty when there is none.
std::string FindVidPid(std::int32_t index);
void GetDeviceCapabilities();
// -1 when an interface from index on reports these ids and was opened, else 0.
std::int16_t OpenDevice(std::int32_t index, std::int16_t vendor, std::int16_t product);
// -1 when the device was found by its id text and opened, else 0.
std::int16_t OpenUsbDevice(std::int16_t vendor, std::int16_t product);
void OutDataCtrl(std::uint8_t data, std::uint8_t ctrl);

}  // namespace varnel
