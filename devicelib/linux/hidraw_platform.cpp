// The system's platform operations on Linux: the hidraw nodes stand for the HID interfaces, a
// set is a snapshot of them taken when it is acquired, and the HID operations are hidraw ioctls.
// The platform interface lists the virtual board after them (virtual_board/joined_platform.cpp).
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "linux/hidraw_nodes.h"
#include "linux/report_descriptor.h"
#include "linux/session_file.h"
#include "platform.h"
#include "system_platform.h"

namespace varnel::platform {
namespace {

using linux_hidraw::ReportLengths;

// The nodes present when the set was acquired. A member's ids are read when its path is first
// asked for; the path is kept for the filling query that follows the sizing one.
struct NodeSet {
  std::vector<std::uint32_t> nodes;
  std::uintptr_t path_member = ~std::uintptr_t{0};
  std::string path;
};

struct Preparsed {
  ReportLengths lengths;
};

NodeSet* SetOf(Handle set) {
  return IsHeld(set) ? reinterpret_cast<NodeSet*>(set) : nullptr;
}

// File descriptors are kept one up, so that descriptor 0 is never the empty handle.
int DescriptorOf(Handle device) {
  return IsHeld(device) ? static_cast<int>(device - 1) : -1;
}

}  // namespace

namespace system {

void GetHidGuid(Guid* guid) {
  *guid = kHidGuid;
}

Handle GetClassDevs(const Guid* guid, std::uint32_t /*flags*/) {
  if (guid == nullptr || std::memcmp(guid, &kHidGuid, sizeof kHidGuid) != 0) return kInvalidHandle;
  auto* set = new NodeSet;
  set->nodes = linux_hidraw::PresentNodes();
  return reinterpret_cast<Handle>(set);
}

bool EnumDeviceInterfaces(Handle set, const Guid* /*guid*/, std::uint32_t member_index,
                          InterfaceData* data) {
  const NodeSet* nodes = SetOf(set);
  if (nodes == nullptr || data == nullptr || data->size != sizeof(InterfaceData) ||
      member_index >= nodes->nodes.size()) {
    return false;
  }
  data->interface_class = kHidGuid;
  data->flags = 0;
  data->reserved = member_index;
  return true;
}

bool GetDeviceInterfaceDetail(Handle set, InterfaceData* data, std::uint8_t* detail,
                              std::uint32_t detail_size, std::uint32_t* required_size) {
  NodeSet* nodes = SetOf(set);
  if (nodes == nullptr || data == nullptr || data->reserved >= nodes->nodes.size()) return false;
  if (nodes->path_member != data->reserved) {
    const std::uint32_t node = nodes->nodes[data->reserved];
    nodes->path = linux_hidraw::NodeDevicePath(node, linux_hidraw::ReadNodeIds(node));
    nodes->path_member = data->reserved;
  }
  const std::string& path = nodes->path;
  const auto needed = static_cast<std::uint32_t>(kDetailPathOffset + path.size() + 1);
  if (required_size != nullptr) *required_size = needed;
  if (detail == nullptr || detail_size < needed) return false;
  std::uint32_t size_field = 0;
  std::memcpy(&size_field, detail, sizeof size_field);
  if (size_field != kDetailRecordSize) return false;
  std::memcpy(detail + kDetailPathOffset, path.c_str(), path.size() + 1);
  return true;
}

bool DestroyDeviceInfoList(Handle set) {
  delete SetOf(set);
  return IsHeld(set);
}

Handle CreateFile(const char* path, std::uint32_t access, std::uint32_t /*share*/,
                  std::uint32_t /*disposition*/, std::uint32_t /*flags*/) {
  const int mode = access == kReadWriteAccess ? O_RDWR : O_RDONLY;
  const int fd = open(linux_hidraw::NodeOf(path).c_str(), mode | O_CLOEXEC);
  return fd < 0 ? kInvalidHandle : static_cast<Handle>(fd) + 1;
}

bool CloseHandle(Handle device) {
  return close(DescriptorOf(device)) == 0;
}

bool GetAttributes(Handle device, Attributes* attributes) {
  hidraw_devinfo info = {};
  if (ioctl(DescriptorOf(device), HIDIOCGRAWINFO, &info) < 0) return false;
  attributes->size = sizeof *attributes;
  attributes->vendor_id = static_cast<std::uint16_t>(info.vendor);
  attributes->product_id = static_cast<std::uint16_t>(info.product);
  attributes->version_number = 0;
  return true;
}

bool GetPreparsedData(Handle device, Handle* preparsed) {
  const int fd = DescriptorOf(device);
  int size = 0;
  if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) return false;
  hidraw_report_descriptor descriptor = {};
  // The kernel refuses to hand out a full HID_MAX_DESCRIPTOR_SIZE buffer; its last byte is the
  // least loss on a descriptor that large.
  descriptor.size = static_cast<__u32>(std::clamp(size, 0, HID_MAX_DESCRIPTOR_SIZE - 1));
  if (ioctl(fd, HIDIOCGRDESC, &descriptor) < 0) return false;
  *preparsed = reinterpret_cast<Handle>(
      new Preparsed{linux_hidraw::ParseReportDescriptor({descriptor.value, descriptor.size})});
  return true;
}

bool GetCaps(Handle preparsed, Capabilities* capabilities) {
  if (!IsHeld(preparsed)) return false;
  const ReportLengths& lengths = reinterpret_cast<const Preparsed*>(preparsed)->lengths;
  *capabilities = {};
  capabilities->usage_page = lengths.usage_page;
  capabilities->usage = lengths.usage;
  capabilities->input_report_byte_length = lengths.input;
  capabilities->output_report_byte_length = lengths.output;
  capabilities->feature_report_byte_length = lengths.feature;
  return true;
}

bool SetFeature(Handle device, const void* report, std::uint32_t length) {
  // The ioctl number carries the length in a narrow field; a longer one would be cut short
  // there and the device would get a truncated report.
  if (report == nullptr || length == 0 || length > _IOC_SIZEMASK) return false;
  // The kernel only reads a report it is sent, whatever the ioctl's direction bits say.
  return ioctl(DescriptorOf(device), HIDIOCSFEATURE(length), const_cast<void*>(report)) >= 0;
}

bool FreePreparsedData(Handle preparsed) {
  delete reinterpret_cast<Preparsed*>(IsHeld(preparsed) ? preparsed : 0);
  return IsHeld(preparsed);
}

}  // namespace system

Handle SessionLog() {
  // Looked for once: the variable and the file are the process's.
  static const int fd = linux_hidraw::OpenSessionFile();
  return fd < 0 ? 0 : static_cast<Handle>(fd) + 1;
}

bool AppendToLog(Handle log, const char* text, std::size_t length) {
  return linux_hidraw::AppendWhole(DescriptorOf(log), text, length);
}

std::int64_t MonotonicMilliseconds() {
  return linux_hidraw::MonotonicMilliseconds();
}

}  // namespace varnel::platform
