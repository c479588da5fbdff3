#include "core/module_state.h"

namespace varnel {

platform::Handle DeviceHandle = 0;
platform::Handle DeviceInfoSet = 0;
platform::InterfaceData DeviceInterfaceData = {};
platform::Handle PreparsedData = 0;
platform::Capabilities Capabilities = {};

void ReplaceDeviceHandle(platform::Handle handle) {
  if (platform::IsHeld(DeviceHandle) && DeviceHandle != handle) platform::CloseHandle(DeviceHandle);
  DeviceHandle = handle;
}

void ReplaceDeviceInfoSet(platform::Handle set) {
  if (platform::IsHeld(DeviceInfoSet) && DeviceInfoSet != set) {
    platform::DestroyDeviceInfoList(DeviceInfoSet);
  }
  DeviceInfoSet = set;
}

void ReplacePreparsedData(platform::Handle preparsed) {
  if (platform::IsHeld(PreparsedData) && PreparsedData != preparsed) {
    platform::FreePreparsedData(PreparsedData);
  }
  PreparsedData = preparsed;
}

}  // namespace varnel
