// The platform operations on the system's Setup API, HID library and file services, each
// function bound by name at its first call (see system_functions.h).
#include <windows.h>
// The platform operation keeps its plain name; the ANSI function is bound by name below.
#undef CreateFile

#include "system_platform.h"
#include "win32/system_functions.h"

namespace varnel::platform::system {
namespace {

using windows::SystemFunction;

static_assert(sizeof(Guid) == sizeof(GUID));
// SP_DEVICE_INTERFACE_DATA: 28 bytes on 32-bit Windows, 32 on 64-bit.
static_assert(sizeof(InterfaceData) == (sizeof(void*) == 4 ? 28 : 32));
static_assert(sizeof(Attributes) == 12);

using GetHidGuidFunction = void WINAPI(GUID*);
using GetClassDevsFunction = HANDLE WINAPI(const GUID*, const char*, HWND, DWORD);
using EnumDeviceInterfacesFunction = BOOL WINAPI(HANDLE, void*, const GUID*, DWORD, void*);
using GetDeviceInterfaceDetailFunction = BOOL WINAPI(HANDLE, void*, void*, DWORD, DWORD*, void*);
using DestroyDeviceInfoListFunction = BOOL WINAPI(HANDLE);
using CreateFileFunction = HANDLE WINAPI(const char*, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD,
                                         DWORD, HANDLE);
using CloseHandleFunction = BOOL WINAPI(HANDLE);
using GetAttributesFunction = BOOLEAN WINAPI(HANDLE, void*);
using GetPreparsedDataFunction = BOOLEAN WINAPI(HANDLE, void**);
using GetCapsFunction = LONG WINAPI(void*, void*);
using SetFeatureFunction = BOOLEAN WINAPI(HANDLE, void*, ULONG);
using FreePreparsedDataFunction = BOOLEAN WINAPI(void*);

constexpr const char* kSetupApi = "setupapi.dll";
constexpr const char* kHid = "hid.dll";
constexpr const char* kKernel = "kernel32";

SystemFunction<GetHidGuidFunction> get_hid_guid(kHid, "HidD_GetHidGuid");
SystemFunction<GetClassDevsFunction> get_class_devs(kSetupApi, "SetupDiGetClassDevsA");
SystemFunction<EnumDeviceInterfacesFunction> enum_device_interfaces(kSetupApi,
                                                                    "SetupDiEnumDeviceInterfaces");
SystemFunction<GetDeviceInterfaceDetailFunction> get_device_interface_detail(
    kSetupApi, "SetupDiGetDeviceInterfaceDetailA");
SystemFunction<DestroyDeviceInfoListFunction> destroy_device_info_list(
    kSetupApi, "SetupDiDestroyDeviceInfoList");
SystemFunction<CreateFileFunction> create_file(kKernel, "CreateFileA");
SystemFunction<CloseHandleFunction> close_handle(kKernel, "CloseHandle");
SystemFunction<GetAttributesFunction> get_attributes(kHid, "HidD_GetAttributes");
SystemFunction<GetPreparsedDataFunction> get_preparsed_data(kHid, "HidD_GetPreparsedData");
SystemFunction<GetCapsFunction> get_caps(kHid, "HidP_GetCaps");
SystemFunction<SetFeatureFunction> set_feature(kHid, "HidD_SetFeature");
SystemFunction<FreePreparsedDataFunction> free_preparsed_data(kHid, "HidD_FreePreparsedData");

HANDLE AsHandle(Handle handle) {
  return reinterpret_cast<HANDLE>(handle);
}
Handle FromHandle(HANDLE handle) {
  return reinterpret_cast<Handle>(handle);
}

}  // namespace

void GetHidGuid(Guid* guid) {
  if (auto* function = get_hid_guid.Get()) function(reinterpret_cast<GUID*>(guid));
}

Handle GetClassDevs(const Guid* guid, std::uint32_t flags) {
  auto* function = get_class_devs.Get();
  if (!function) return kInvalidHandle;
  return FromHandle(function(reinterpret_cast<const GUID*>(guid), nullptr, nullptr, flags));
}

bool EnumDeviceInterfaces(Handle set, const Guid* guid, std::uint32_t member_index,
                          InterfaceData* data) {
  auto* function = enum_device_interfaces.Get();
  return function &&
         function(AsHandle(set), nullptr, reinterpret_cast<const GUID*>(guid), member_index, data);
}

bool GetDeviceInterfaceDetail(Handle set, InterfaceData* data, std::uint8_t* detail,
                              std::uint32_t detail_size, std::uint32_t* required_size) {
  auto* function = get_device_interface_detail.Get();
  DWORD required = *required_size;
  const bool done =
      function && function(AsHandle(set), data, detail, detail_size, &required, nullptr);
  *required_size = required;
  return done;
}

bool DestroyDeviceInfoList(Handle set) {
  auto* function = destroy_device_info_list.Get();
  return function && function(AsHandle(set));
}

Handle CreateFile(const char* path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t disposition, std::uint32_t flags) {
  auto* function = create_file.Get();
  if (!function) return kInvalidHandle;
  return FromHandle(function(path, access, share, nullptr, disposition, flags, nullptr));
}

bool CloseHandle(Handle device) {
  auto* function = close_handle.Get();
  return function && function(AsHandle(device));
}

bool GetAttributes(Handle device, Attributes* attributes) {
  auto* function = get_attributes.Get();
  return function && function(AsHandle(device), attributes);
}

bool GetPreparsedData(Handle device, Handle* preparsed) {
  auto* function = get_preparsed_data.Get();
  void* data = reinterpret_cast<void*>(*preparsed);
  const bool done = function && function(AsHandle(device), &data);
  *preparsed = reinterpret_cast<Handle>(data);
  return done;
}

bool GetCaps(Handle preparsed, Capabilities* capabilities) {
  constexpr LONG kSuccess = 0x00110000;  // HIDP_STATUS_SUCCESS
  auto* function = get_caps.Get();
  return function && function(reinterpret_cast<void*>(preparsed), capabilities) == kSuccess;
}

bool SetFeature(Handle device, const void* report, std::uint32_t length) {
  auto* function = set_feature.Get();
  return function && function(AsHandle(device), const_cast<void*>(report), length);
}

bool FreePreparsedData(Handle preparsed) {
  auto* function = free_preparsed_data.Get();
  return function && function(reinterpret_cast<void*>(preparsed));
}

}  // namespace varnel::platform::system
