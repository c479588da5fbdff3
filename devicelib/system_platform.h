#pragma once

#include "platform.h"

// The platform operations on the system's own HID interfaces alone (win32/win32_platform.cpp,
// linux/hidraw_platform.cpp); the platform interface itself adds the virtual board after them
// (virtual_board/joined_platform.cpp).
namespace varnel::platform::system {

void GetHidGuid(Guid* guid);
Handle GetClassDevs(const Guid* guid, std::uint32_t flags);
bool EnumDeviceInterfaces(Handle set, const Guid* guid, std::uint32_t member_index,
                          InterfaceData* data);
bool GetDeviceInterfaceDetail(Handle set, InterfaceData* data, std::uint8_t* detail,
                              std::uint32_t detail_size, std::uint32_t* required_size);
bool DestroyDeviceInfoList(Handle set);
// As the platform's CreateFile, with flags (Windows: FILE_FLAG_OVERLAPPED for the virtual
// board's pipe; Linux takes none).
Handle CreateFile(const char* path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t disposition, std::uint32_t flags = 0);
bool CloseHandle(Handle device);
bool GetAttributes(Handle device, Attributes* attributes);
bool GetPreparsedData(Handle device, Handle* preparsed);
bool GetCaps(Handle preparsed, Capabilities* capabilities);
bool SetFeature(Handle device, const void* report, std::uint32_t length);
bool FreePreparsedData(Handle preparsed);

}  // namespace varnel::platform::system
