#include "uhid_device.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "messages.h"

namespace virtual_board {
namespace {

bool Write(int fd, const uhid_event& event) {
  return write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

}  // namespace

UhidDevice::UhidDevice() {
  fd_ = open("/dev/uhid", O_RDWR | O_CLOEXEC);
  if (fd_ >= 0) return;
  if (errno == ENOENT || errno == ENODEV) {
    error_ = messages::Tr(
        "/dev/uhid is missing: load the kernel's uhid module (modprobe uhid) and try again");
  } else if (errno == EACCES || errno == EPERM) {
    error_ = messages::Tr(
        "no permission to open /dev/uhid: run as root, or install a udev rule giving your "
        "user access to it (KERNEL==\"uhid\", TAG+=\"uaccess\")");
  } else {
    error_ = messages::Tr("cannot open /dev/uhid: {1}", std::strerror(errno));
  }
}

UhidDevice::~UhidDevice() {
  Destroy();
  if (fd_ >= 0) close(fd_);
}

bool UhidDevice::Create(const DeviceIdentity& identity) {
  uhid_event event = {};
  event.type = UHID_CREATE2;
  std::snprintf(reinterpret_cast<char*>(event.u.create2.name), sizeof event.u.create2.name, "%s",
                identity.name.c_str());
  const auto descriptor = FeatureReportDescriptor(identity.feature_bytes);
  std::memcpy(event.u.create2.rd_data, descriptor.data(), descriptor.size());
  event.u.create2.rd_size = static_cast<__u16>(descriptor.size());
  event.u.create2.bus = BUS_USB;
  event.u.create2.vendor = identity.vendor;
  event.u.create2.product = identity.product;
  created_ = Write(fd_, event);
  if (!created_) error_ = messages::Tr("the kernel refused to make the device");
  feature_.assign(1 + static_cast<std::size_t>(identity.feature_bytes), 0);
  return created_;
}

void UhidDevice::Destroy() {
  if (!created_) return;
  uhid_event event = {};
  event.type = UHID_DESTROY;
  Write(fd_, event);
  created_ = false;
}

bool UhidDevice::Handle(const std::function<void(const SetReport&)>& received) {
  uhid_event event = {};
  if (read(fd_, &event, sizeof event) <= 0) return false;
  uhid_event reply = {};
  if (event.type == UHID_SET_REPORT) {
    // For a device without report IDs the kernel hands over report number 0 and the report as
    // the host wrote it, the report ID byte 0 first: 9 bytes for the 8-byte feature report.
    const auto& set = event.u.set_report;
    SetReport request;
    request.number = set.rnum;
    request.data.assign(set.data, set.data + std::min<std::size_t>(set.size, UHID_DATA_MAX));
    if (set.rtype == UHID_FEATURE_REPORT) feature_ = request.data;
    received(request);
    reply.type = UHID_SET_REPORT_REPLY;
    reply.u.set_report_reply.id = set.id;
    reply.u.set_report_reply.err = 0;
    Write(fd_, reply);
  } else if (event.type == UHID_GET_REPORT) {
    // The board has its feature report only; the reply carries it as it was last set, in the
    // form a set-report request brings it.
    const auto& get = event.u.get_report;
    reply.type = UHID_GET_REPORT_REPLY;
    reply.u.get_report_reply.id = get.id;
    if (get.rtype == UHID_FEATURE_REPORT && get.rnum == 0) {
      reply.u.get_report_reply.err = 0;
      reply.u.get_report_reply.size = static_cast<__u16>(feature_.size());
      std::memcpy(reply.u.get_report_reply.data, feature_.data(), feature_.size());
    } else {
      reply.u.get_report_reply.err = EIO;
    }
    Write(fd_, reply);
  }
  return true;
}

}  // namespace virtual_board
