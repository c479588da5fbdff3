// The platform interface over the simulated bus: the Windows contract of each operation, as
// far as the library relies on it.
#include <cstdio>
#include <cstring>
#include <string>

#include "linux/session_file.h"
#include "platform.h"
#include "simbus_state.h"

namespace varnel::platform {
namespace {

using simbus::Bus;
using simbus::TheBus;

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

bool IsHidGuid(const Guid* guid) {
  return guid != nullptr && std::memcmp(guid, &kHidGuid, sizeof kHidGuid) == 0;
}

// The interface a set holds at member_index, or null when it holds none there or it is gone.
const simbus::Entry* Member(Handle set, std::uint32_t member_index) {
  Bus& bus = TheBus();
  const auto found = bus.sets.find(set);
  if (found == bus.sets.end()) return nullptr;
  if (member_index >= found->second.size()) return nullptr;
  const int id = found->second[member_index];
  if (id >= static_cast<int>(bus.interfaces.size())) return nullptr;
  return &bus.interfaces[id];
}

// The interface an open handle stands for, or -1; a handle the bus never gave out is a fault.
int InterfaceOf(Bus& bus, Handle device) {
  const auto found = bus.handles.find(device);
  if (found == bus.handles.end()) {
    ++bus.faults;
    return -1;
  }
  return found->second < static_cast<int>(bus.interfaces.size()) ? found->second : -1;
}

// The bus remembers which member an enumeration step described in the record's reserved field.
constexpr std::uintptr_t kNoMember = ~std::uintptr_t{0};

const simbus::Entry* Described(Handle set, const InterfaceData* data) {
  if (data == nullptr || data->reserved == kNoMember) return nullptr;
  return Member(set, static_cast<std::uint32_t>(data->reserved));
}

}  // namespace

void GetHidGuid(Guid* guid) {
  TheBus().Record("GetHidGuid");
  *guid = kHidGuid;
}

Handle GetClassDevs(const Guid* guid, std::uint32_t flags) {
  Bus& bus = TheBus();
  bus.Record("GetClassDevs guid=" + std::string(IsHidGuid(guid) ? "hid" : "other") +
             " flags=" + Hex(flags));
  bus.FollowBoardFile();
  std::vector<int> present;
  for (int id = 0; id < static_cast<int>(bus.interfaces.size()); ++id) {
    if (bus.interfaces[id].present) present.push_back(id);
  }
  const Handle set = bus.next_handle++;
  bus.sets[set] = present;
  return set;
}

bool EnumDeviceInterfaces(Handle set, const Guid* guid, std::uint32_t member_index,
                          InterfaceData* data) {
  Bus& bus = TheBus();
  bus.Record("EnumDeviceInterfaces set=" + Hex(set) + " index=" + std::to_string(member_index) +
             " size=" + std::to_string(data->size));
  if (!bus.sets.count(set)) ++bus.faults;
  const simbus::Entry* entry = Member(set, member_index);
  if (!IsHidGuid(guid) || data->size != sizeof(InterfaceData) || entry == nullptr ||
      !entry->present) {
    data->reserved = kNoMember;
    return false;
  }
  data->interface_class = kHidGuid;
  data->flags = 1;
  data->reserved = member_index;
  return true;
}

bool GetDeviceInterfaceDetail(Handle set, InterfaceData* data, std::uint8_t* detail,
                              std::uint32_t detail_size, std::uint32_t* required_size) {
  Bus& bus = TheBus();
  std::uint32_t size_field = 0;
  if (detail != nullptr && detail_size >= 4) std::memcpy(&size_field, detail, 4);
  bus.Record("GetDeviceInterfaceDetail set=" + Hex(set) + " buffer=" + (detail ? "yes" : "no") +
             " size=" + std::to_string(detail_size) +
             (detail ? " field=" + std::to_string(size_field) : std::string()));
  if (!bus.sets.count(set)) ++bus.faults;
  const simbus::Entry* entry = Described(set, data);
  if (entry == nullptr || !entry->present) {
    if (required_size) *required_size = 0;
    return false;
  }
  const std::string& path = entry->interface.path;
  const auto needed = static_cast<std::uint32_t>(kDetailPathOffset + path.size() + 1);
  if (required_size) *required_size = entry->interface.sizing_reports.value_or(needed);
  if (entry->interface.sizing_reports) return false;
  if (detail == nullptr || detail_size < needed || size_field != kDetailRecordSize) return false;
  std::memcpy(detail + kDetailPathOffset, path.data(), path.size());
  detail[kDetailPathOffset + path.size()] = 0;
  return true;
}

bool DestroyDeviceInfoList(Handle set) {
  Bus& bus = TheBus();
  bus.Record("DestroyDeviceInfoList set=" + Hex(set));
  if (bus.sets.erase(set) == 0) {
    ++bus.faults;
    return false;
  }
  return true;
}

Handle CreateFile(const char* path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t disposition) {
  Bus& bus = TheBus();
  bus.Record("CreateFile path=" + std::string(path) + " access=" + Hex(access) +
             " share=" + std::to_string(share) + " disposition=" + std::to_string(disposition));
  for (int id = 0; id < static_cast<int>(bus.interfaces.size()); ++id) {
    const simbus::Entry& entry = bus.interfaces[id];
    if (!entry.present || entry.interface.open_refused) continue;
    if (std::string(entry.interface.path.c_str()) != path) continue;
    const Handle device = bus.next_handle++;
    bus.handles[device] = id;
    return device;
  }
  return kInvalidHandle;
}

bool CloseHandle(Handle device) {
  Bus& bus = TheBus();
  bus.Record("CloseHandle device=" + Hex(device));
  if (bus.handles.erase(device) == 0) {
    ++bus.faults;
    return false;
  }
  return true;
}

bool GetAttributes(Handle device, Attributes* attributes) {
  Bus& bus = TheBus();
  bus.Record("GetAttributes device=" + Hex(device));
  const int id = InterfaceOf(bus, device);
  if (id < 0) return false;
  const simbus::Entry& entry = bus.interfaces[id];
  if (!entry.present || entry.interface.attributes_unreadable) return false;
  attributes->vendor_id = entry.interface.vendor_id;
  attributes->product_id = entry.interface.product_id;
  attributes->version_number = 0x0100;
  return true;
}

bool GetPreparsedData(Handle device, Handle* preparsed) {
  Bus& bus = TheBus();
  bus.Record("GetPreparsedData device=" + Hex(device));
  const int id = InterfaceOf(bus, device);
  if (id < 0) return false;
  const Handle data = bus.next_handle++;
  bus.preparsed[data] = bus.interfaces[id].interface.feature_length;
  *preparsed = data;
  return true;
}

bool GetCaps(Handle preparsed, Capabilities* capabilities) {
  Bus& bus = TheBus();
  bus.Record("GetCaps preparsed=" + Hex(preparsed));
  const auto found = bus.preparsed.find(preparsed);
  if (found == bus.preparsed.end()) {
    ++bus.faults;
    return false;
  }
  *capabilities = {};
  capabilities->usage_page = 0xff00;
  capabilities->usage = 1;
  capabilities->feature_report_byte_length = found->second;
  return true;
}

bool SetFeature(Handle device, const void* report, std::uint32_t length) {
  Bus& bus = TheBus();
  bus.Record("SetFeature device=" + Hex(device) + " length=" + std::to_string(length));
  const int id = InterfaceOf(bus, device);
  if (id < 0 || !bus.interfaces[id].present || length == 0) return false;
  const auto* bytes = static_cast<const std::uint8_t*>(report);
  std::vector<std::uint8_t> sent(bytes, bytes + length);
  bus.LogReport(sent);
  if (bus.keep_record) {
    bus.reports.push_back(std::move(sent));
    bus.report_targets.push_back(id);
  }
  return true;
}

bool FreePreparsedData(Handle preparsed) {
  Bus& bus = TheBus();
  bus.Record("FreePreparsedData preparsed=" + Hex(preparsed));
  if (bus.preparsed.erase(preparsed) == 0) {
    ++bus.faults;
    return false;
  }
  return true;
}

// The session log is the Linux layer's file, left out of the record of calls so that a
// session logged or not makes the same calls.
Handle SessionLog() {
  Bus& bus = TheBus();
  if (!bus.library_log_looked) {
    bus.library_log_looked = true;
    bus.library_log = linux_hidraw::OpenSessionFile();
    ++bus.library_log_handle;
  }
  return bus.library_log < 0 ? 0 : bus.library_log_handle;
}

bool AppendToLog(Handle log, const char* text, std::size_t length) {
  Bus& bus = TheBus();
  if (bus.library_log < 0 || log != bus.library_log_handle) {
    ++bus.faults;
    return false;
  }
  return linux_hidraw::AppendWhole(bus.library_log, text, length);
}

std::int64_t MonotonicMilliseconds() {
  Bus& bus = TheBus();
  // A program run over a board file keeps the system's time.
  return !bus.board_file.empty() ? linux_hidraw::MonotonicMilliseconds() : bus.clock_ms;
}

}  // namespace varnel::platform
