#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <string>

#include "core/core.h"
#include "core/enumeration.h"
#include "core/id_text.h"
#include "core/module_state.h"
#include "core/session_log.h"

namespace varnel {
namespace {

// FindHidDevice counts at most kCountedIndices interfaces, so the id tables never need more.
constexpr std::size_t kIdTableSize = kCountedIndices;

std::int16_t CountFromText(const std::string& text) {
  int count = 0;
  std::from_chars(text.data(), text.data() + text.size(), count);
  return static_cast<std::int16_t>(count);
}

// The device path is the path text up to its first NUL.
std::string PathBeforeNul(const std::string& path_text) {
  return path_text.substr(0, path_text.find('\0'));
}

bool ReportsIds(std::int16_t vendor, std::int16_t product) {
  if (!platform::IsHeld(DeviceHandle)) return false;
  platform::Attributes attributes = {};
  attributes.size = sizeof attributes;
  if (!platform::GetAttributes(DeviceHandle, &attributes)) return false;
  return static_cast<std::int16_t>(attributes.vendor_id) == vendor &&
         static_cast<std::int16_t>(attributes.product_id) == product;
}

}  // namespace

void GetDeviceCapabilities() {
  if (!platform::IsHeld(DeviceHandle)) return;
  platform::Handle preparsed = 0;
  platform::GetPreparsedData(DeviceHandle, &preparsed);
  ReplacePreparsedData(preparsed);
  platform::GetCaps(PreparsedData, &Capabilities);
}

namespace {

// The opens without their note in the session log: OpenUsbDevice's open is noted once.
std::int16_t OpenFrom(std::int32_t index, std::int16_t vendor, std::int16_t product) {
  platform::Guid hid_guid;
  AcquireInterfaceSet(&hid_guid);
  for (std::int32_t member = index;; ++member) {
    if (!EnumerateInterface(hid_guid, static_cast<std::uint32_t>(member))) return 0;
    const std::string path = PathBeforeNul(ReadDevicePath());
    ReplaceDeviceHandle(
        path.empty() ? platform::kInvalidHandle
                     : platform::CreateFile(path.c_str(), platform::kReadWriteAccess,
                                            platform::kShareReadWrite, platform::kOpenExisting));
    if (ReportsIds(vendor, product)) {
      GetDeviceCapabilities();
      return -1;
    }
    // A rejected interface is closed at once: only the device whose ids matched stays open,
    // so no later report can reach another device.
    ReplaceDeviceHandle(0);
    if (member == std::numeric_limits<std::int32_t>::max()) return 0;
  }
}

std::int16_t FindAndOpen(std::int16_t vendor, std::int16_t product) {
  const std::int16_t count = CountFromText(FindHidDevice());
  std::array<std::int16_t, kIdTableSize> vendor_ids = {};
  std::array<std::int16_t, kIdTableSize> product_ids = {};
  for (std::int16_t i = 0; i < count && static_cast<std::size_t>(i) < kIdTableSize; ++i) {
    const std::string text = FindVidPid(i);
    const std::string_view id_text = text;
    vendor_ids[i] = HexValue(id_text.substr(0, 4));
    product_ids[i] = HexValue(id_text.substr(id_text.size() < 4 ? 0 : id_text.size() - 4));
    if (product_ids[i] == product && vendor_ids[i] == vendor) {
      const std::int32_t matched = i;
      return OpenFrom(matched, vendor_ids[i], product_ids[i]) == -1 ? -1 : 0;
    }
  }
  return 0;
}

}  // namespace

std::int16_t OpenDevice(std::int32_t index, std::int16_t vendor, std::int16_t product) {
  return session_log::NoteOpen(OpenFrom(index, vendor, product));
}

std::int16_t OpenUsbDevice(std::int16_t vendor, std::int16_t product) {
  return session_log::NoteOpen(FindAndOpen(vendor, product));
}

}  // namespace varnel
