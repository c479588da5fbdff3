#pragma once

#include <cstdint>
#include <string>

#include "platform.h"

// The steps shared by every operation that walks the HID interfaces present.
namespace varnel {

// FindHidDevice never looks past this many member indices.
inline constexpr std::uint32_t kCountedIndices = 128;

// Acquires a fresh set of the HID interfaces present into DeviceInfoSet.
void AcquireInterfaceSet(platform::Guid* hid_guid);
// Asks for the interface at member_index in DeviceInfoSet, filling DeviceInterfaceData.
bool EnumerateInterface(const platform::Guid& hid_guid, std::uint32_t member_index);
// The path text of the interface just enumerated: the device path, its NUL and one more NUL.
// Empty when the interface vanished before its detail could be read.
std::string ReadDevicePath();

}  // namespace varnel
