#include "core/enumeration.h"

#include <cstring>
#include <vector>

#include "core/core.h"
#include "core/id_text.h"
#include "core/module_state.h"

namespace varnel {

void AcquireInterfaceSet(platform::Guid* hid_guid) {
  *hid_guid = {};
  platform::GetHidGuid(hid_guid);
  ReplaceDeviceInfoSet(platform::GetClassDevs(hid_guid, platform::kPresentInterfaces));
}

bool EnumerateInterface(const platform::Guid& hid_guid, std::uint32_t member_index) {
  DeviceInterfaceData.size = sizeof(platform::InterfaceData);
  return platform::EnumDeviceInterfaces(DeviceInfoSet, &hid_guid, member_index,
                                        &DeviceInterfaceData);
}

std::string ReadDevicePath() {
  std::uint32_t required = 0;
  platform::GetDeviceInterfaceDetail(DeviceInfoSet, &DeviceInterfaceData, nullptr, 0, &required);
  // A record too small for its own size field and one path character means the interface went
  // away between the enumeration and the sizing query.
  if (required < platform::kDetailPathOffset + 1) return {};

  std::vector<std::uint8_t> detail(std::size_t{required} + 1, 0);
  const std::uint32_t record_size = platform::kDetailRecordSize;
  std::memcpy(detail.data(), &record_size, sizeof record_size);
  platform::GetDeviceInterfaceDetail(DeviceInfoSet, &DeviceInterfaceData, detail.data(), required,
                                     &required);
  return std::string(detail.begin() + platform::kDetailPathOffset, detail.end());
}

std::string FindHidDevice() {
  platform::Guid hid_guid;
  AcquireInterfaceSet(&hid_guid);
  int count = 0;
  for (std::uint32_t index = 0; index < kCountedIndices; ++index) {
    if (EnumerateInterface(hid_guid, index)) ++count;
  }
  return std::to_string(count);
}

std::string FindVidPid(std::int32_t index) {
  platform::Guid hid_guid;
  AcquireInterfaceSet(&hid_guid);
  if (!EnumerateInterface(hid_guid, static_cast<std::uint32_t>(index))) return {};
  const std::string path_text = ReadDevicePath();
  return IdField(path_text, "vid_") + IdField(path_text, "pid_");
}

}  // namespace varnel
