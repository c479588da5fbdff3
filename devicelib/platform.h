#pragma once

#include <cstddef>
#include <cstdint>

#include "hid_guid.h"

// The narrow set of system operations the library's algorithms use, modelled on the Windows
// Setup API, HID library and file services. Each platform layer (one folder each) implements
// every function below; the core holds the module state and the algorithms, a layer keeps only
// what its operating system needs. Results that the core does not look at are still returned,
// so that a layer reports honestly.
namespace varnel::platform {

// An opaque value owned by the layer: a set, a device handle or preparsed data. 0 is empty.
using Handle = std::uintptr_t;

// What a failed acquisition or open hands back, as the Windows calls do. Never released.
inline constexpr Handle kInvalidHandle = ~Handle{0};

inline bool IsHeld(Handle handle) {
  return handle != 0 && handle != kInvalidHandle;
}

// SP_DEVICE_INTERFACE_DATA in its published layout: 28 bytes on 32-bit Windows.
struct InterfaceData {
  std::uint32_t size;
  Guid interface_class;
  std::uint32_t flags;
  std::uintptr_t reserved;
};

// HIDD_ATTRIBUTES in its published layout.
struct Attributes {
  std::uint32_t size;
  std::uint16_t vendor_id;
  std::uint16_t product_id;
  std::uint16_t version_number;
};

// HIDP_CAPS in its published layout, 64 bytes.
struct Capabilities {
  std::uint16_t usage;
  std::uint16_t usage_page;
  std::uint16_t input_report_byte_length;
  std::uint16_t output_report_byte_length;
  std::uint16_t feature_report_byte_length;
  std::uint16_t reserved[17];
  std::uint16_t number_link_collection_nodes;
  std::uint16_t number_input_button_caps;
  std::uint16_t number_input_value_caps;
  std::uint16_t number_input_data_indices;
  std::uint16_t number_output_button_caps;
  std::uint16_t number_output_value_caps;
  std::uint16_t number_output_data_indices;
  std::uint16_t number_feature_button_caps;
  std::uint16_t number_feature_value_caps;
  std::uint16_t number_feature_data_indices;
};
static_assert(sizeof(Capabilities) == 64);

// DIGCF_PRESENT | DIGCF_DEVICEINTERFACE.
inline constexpr std::uint32_t kPresentInterfaces = 0x12;
// GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING.
inline constexpr std::uint32_t kReadWriteAccess = 0xC0000000u;
inline constexpr std::uint32_t kShareReadWrite = 3;
inline constexpr std::uint32_t kOpenExisting = 3;

// SP_DEVICE_INTERFACE_DETAIL_DATA_A: a 32-bit size field, then the path from byte 4. The size
// field holds the record's own size, which is 5 on 32-bit Windows and 8 on 64-bit Windows.
inline constexpr std::size_t kDetailPathOffset = 4;
inline constexpr std::uint32_t kDetailRecordSize = sizeof(void*) == 4 ? 5 : 8;

// HidD_GetHidGuid.
void GetHidGuid(Guid* guid);
// SetupDiGetClassDevsA(guid, no enumerator, no window, flags).
Handle GetClassDevs(const Guid* guid, std::uint32_t flags);
// SetupDiEnumDeviceInterfaces(set, no element, guid, member_index, data): true when an
// interface exists at that member index; data->size is set by the caller just before.
bool EnumDeviceInterfaces(Handle set, const Guid* guid, std::uint32_t member_index,
                          InterfaceData* data);
// SetupDiGetDeviceInterfaceDetailA(set, data, detail, detail_size, required_size, no element).
// With no buffer and size 0 it only reports the size the record needs.
bool GetDeviceInterfaceDetail(Handle set, InterfaceData* data, std::uint8_t* detail,
                              std::uint32_t detail_size, std::uint32_t* required_size);
// SetupDiDestroyDeviceInfoList.
bool DestroyDeviceInfoList(Handle set);
// CreateFileA(path, access, share, no security, disposition, no flags, no template).
Handle CreateFile(const char* path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t disposition);
// CloseHandle.
bool CloseHandle(Handle device);
// HidD_GetAttributes.
bool GetAttributes(Handle device, Attributes* attributes);
// HidD_GetPreparsedData.
bool GetPreparsedData(Handle device, Handle* preparsed);
// HidP_GetCaps.
bool GetCaps(Handle preparsed, Capabilities* capabilities);
// HidD_SetFeature: report points at length bytes, byte 0 the report ID.
bool SetFeature(Handle device, const void* report, std::uint32_t length);
// HidD_FreePreparsedData.
bool FreePreparsedData(Handle preparsed);

// The session log: the file that the environment variable VARNEL_SESSION_LOG names, opened
// for appending at the first call and kept for the life of the process. 0 when the variable is
// unset or empty or the file cannot be opened. A layer may hand out a new value when it starts
// a log afresh; the core then starts a new session.
Handle SessionLog();
// Appends length bytes to the log in one write, so that a line is there whole or not at all.
bool AppendToLog(Handle log, const char* text, std::size_t length);
// Milliseconds on a clock that never goes back, from an origin of the layer's.
std::int64_t MonotonicMilliseconds();

}  // namespace varnel::platform
