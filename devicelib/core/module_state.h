#pragma once

#include "platform.h"

// The library's module state: one device at a time, empty when the library is loaded. Every
// slot that receives a new resource releases the one it held, so nothing accumulates however
// a caller mixes opens and closes.
namespace varnel {

extern platform::Handle DeviceHandle;
extern platform::Handle DeviceInfoSet;
extern platform::InterfaceData DeviceInterfaceData;
extern platform::Handle PreparsedData;
extern platform::Capabilities Capabilities;

void ReplaceDeviceHandle(platform::Handle handle);
void ReplaceDeviceInfoSet(platform::Handle set);
void ReplacePreparsedData(platform::Handle preparsed);

}  // namespace varnel
