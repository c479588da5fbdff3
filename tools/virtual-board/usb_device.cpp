#include "usb_device.h"

#include <dirent.h>
#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>

#include "messages.h"

namespace virtual_board {
namespace {

using messages::N_;
using messages::Tr;

constexpr char kGadgets[] = "/sys/kernel/config/usb_gadget";
constexpr char kControllers[] = "/sys/class/udc";

constexpr std::uint8_t kHidDescriptor = 0x21;
constexpr std::uint8_t kReportDescriptor = 0x22;
constexpr std::uint8_t kGetReport = 0x01;
constexpr std::uint8_t kSetReport = 0x09;
constexpr std::uint8_t kSetIdle = 0x0A;
constexpr std::uint8_t kFeature = 3;

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> entries;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') entries.emplace_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

bool WriteText(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return close(fd) == 0 && written;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
  return write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

void Put16(std::vector<std::uint8_t>* out, unsigned value) {
  out->push_back(static_cast<std::uint8_t>(value));
  out->push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>* out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", value);
  return text;
}

// One HID interface with the interrupt IN endpoint usbhid insists on (the board never sends on
// it), at full speed and at high speed.
std::vector<std::uint8_t> FunctionDescriptors(const std::vector<std::uint8_t>& hid) {
  std::vector<std::uint8_t> speed;
  const std::vector<std::uint8_t> interface = {9, USB_DT_INTERFACE, 0, 0, 1, USB_CLASS_HID, 0, 0,
                                               0};
  for (const std::uint8_t interval : {10, 4}) {  // 10 ms at full speed; 2^(4-1) microframes
    speed.insert(speed.end(), interface.begin(), interface.end());
    speed.insert(speed.end(), hid.begin(), hid.end());
    const std::vector<std::uint8_t> endpoint = {
        7, USB_DT_ENDPOINT, USB_DIR_IN | 1, USB_ENDPOINT_XFER_INT, 64, 0, interval};
    speed.insert(speed.end(), endpoint.begin(), endpoint.end());
  }
  std::vector<std::uint8_t> blob;
  Put32(&blob, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
  Put32(&blob, static_cast<std::uint32_t>(20 + speed.size()));
  Put32(&blob, FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
  Put32(&blob, 3);
  Put32(&blob, 3);
  blob.insert(blob.end(), speed.begin(), speed.end());
  return blob;
}

std::vector<std::uint8_t> NoStrings() {
  std::vector<std::uint8_t> blob;
  Put32(&blob, FUNCTIONFS_STRINGS_MAGIC);
  Put32(&blob, 16);
  Put32(&blob, 0);
  Put32(&blob, 0);
  return blob;
}

}  // namespace

UsbDevice::UsbDevice() {
  const auto controllers = Entries(kControllers);
  if (controllers.empty()) {
    error_ =
        Tr("no USB device controller: load the kernel's dummy_hcd module (modprobe dummy_hcd) and "
           "try again");
    return;
  }
  if (access(kGadgets, F_OK) != 0) {
    error_ =
        Tr("no USB gadget support: load the kernel's libcomposite module (modprobe libcomposite) "
           "and mount configfs (mount -t configfs none /sys/kernel/config)");
    return;
  }
  if (access(kGadgets, W_OK) != 0) {
    error_ = Tr("no permission to make a USB gadget: run as root");
    return;
  }
  std::set<std::string> taken;
  for (const std::string& gadget : Entries(kGadgets)) {
    taken.insert(FirstLine(std::string(kGadgets) + "/" + gadget + "/UDC"));
  }
  for (const std::string& controller : controllers) {
    if (!taken.count(controller)) {
      udc_ = controller;
      return;
    }
  }
  error_ =
      Tr("every USB device controller is taken: load dummy_hcd for more of them (modprobe "
         "dummy_hcd num=4)");
}

UsbDevice::~UsbDevice() {
  Destroy();
  for (auto step = undo_.rbegin(); step != undo_.rend(); ++step) (*step)();
}

bool UsbDevice::Fail(const char* what, const std::string& name) {
  // Taken first: the catalogue's first look may change errno.
  const std::string reason = std::strerror(errno);
  error_ = Tr(what, reason, name);
  return false;
}

bool UsbDevice::Make(const DeviceIdentity& identity) {
  const std::string name = "virtual-board-" + std::to_string(getpid());
  gadget_ = std::string(kGadgets) + "/" + name;
  const std::string function = "ffs." + name;
  // Each folder made is removed at the end, the gadget's own last.
  const auto folder = [this](const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0) return false;
    undo_.push_back([path] { rmdir(path.c_str()); });
    return true;
  };
  if (!folder(gadget_)) return Fail(N_("cannot make the gadget {2}: {1}"), gadget_);
  const std::string english = "/strings/0x409";
  const std::string config = gadget_ + "/configs/c.1";
  if (!WriteText(gadget_ + "/idVendor", Hex(identity.vendor)) ||
      !WriteText(gadget_ + "/idProduct", Hex(identity.product)) ||
      !WriteText(gadget_ + "/bcdUSB", "0x0200") || !folder(gadget_ + english) ||
      !WriteText(gadget_ + english + "/product", identity.name) || !folder(config) ||
      !folder(config + english) || !WriteText(config + english + "/configuration", "LED board")) {
    return Fail(N_("cannot describe the gadget {2}: {1}"), gadget_);
  }
  if (!folder(gadget_ + "/functions/" + function)) {
    if (errno == ENOENT || errno == ENODEV) {
      error_ =
          Tr("no FunctionFS for USB gadgets: load the kernel's usb_f_fs module (modprobe usb_f_fs) "
             "and try again");
      return false;
    }
    return Fail(N_("cannot make the gadget's function: {1}"));
  }
  const std::string link = config + "/" + function;
  if (symlink((gadget_ + "/functions/" + function).c_str(), link.c_str()) != 0) {
    return Fail(N_("cannot put the function in the gadget's configuration: {1}"));
  }
  undo_.push_back([link] { unlink(link.c_str()); });

  char mount_point[] = "/run/virtual-board.XXXXXX";
  if (!mkdtemp(mount_point)) return Fail(N_("cannot make a folder in /run: {1}"));
  const std::string mounted = mount_point;
  undo_.push_back([mounted] { rmdir(mounted.c_str()); });
  if (mount(name.c_str(), mounted.c_str(), "functionfs", 0, nullptr) != 0) {
    return Fail(N_("cannot mount the gadget's FunctionFS: {1}"));
  }
  undo_.push_back([mounted] { umount2(mounted.c_str(), MNT_DETACH); });
  ep0_ = open((mounted + "/ep0").c_str(), O_RDWR | O_CLOEXEC);
  if (ep0_ < 0) return Fail(N_("cannot open the gadget's control endpoint: {1}"));
  undo_.push_back([this] {
    close(ep0_);
    ep0_ = -1;
  });

  report_descriptor_ = FeatureReportDescriptor(identity.feature_bytes);
  hid_descriptor_ = {9, kHidDescriptor, 0x11, 0x01, 0, 1, kReportDescriptor};
  Put16(&hid_descriptor_, static_cast<unsigned>(report_descriptor_.size()));
  if (!WriteAll(ep0_, FunctionDescriptors(hid_descriptor_)) || !WriteAll(ep0_, NoStrings())) {
    return Fail(N_("FunctionFS refused the board's descriptors: {1}"));
  }
  feature_.assign(1 + static_cast<std::size_t>(identity.feature_bytes), 0);
  return true;
}

bool UsbDevice::Create(const DeviceIdentity& identity) {
  if (ep0_ < 0 && !Make(identity)) return false;
  created_ = WriteText(gadget_ + "/UDC", udc_);
  if (!created_) return Fail(N_("the device controller {2} refused the gadget: {1}"), udc_);
  return true;
}

void UsbDevice::Destroy() {
  if (!created_) return;
  WriteText(gadget_ + "/UDC", "\n");
  created_ = false;
  in_use_ = false;
}

void UsbDevice::Answer(const std::vector<std::uint8_t>& data, std::size_t asked) {
  write(ep0_, data.data(), std::min(data.size(), asked));
}

// FunctionFS stalls a request when the program moves data the other way.
void UsbDevice::Stall(bool in) {
  if (in) {
    std::uint8_t none = 0;
    [[maybe_unused]] const auto ignored = read(ep0_, &none, 0);
  } else {
    write(ep0_, nullptr, 0);
  }
}

bool UsbDevice::Handle(const std::function<void(const SetReport&)>& received) {
  usb_functionfs_event event = {};
  const ssize_t got = read(ep0_, &event, sizeof event);
  if (got < 0) return errno == EINTR || errno == EAGAIN;
  if (got != sizeof event || event.type != FUNCTIONFS_SETUP) return true;
  const usb_ctrlrequest& setup = event.u.setup;
  const unsigned value = le16toh(setup.wValue);
  const std::size_t length = le16toh(setup.wLength);
  const bool in = setup.bRequestType & USB_DIR_IN;
  const std::uint8_t number = value & 0xFF;
  const std::uint8_t kind = value >> 8;
  if (setup.bRequestType == (USB_DIR_IN | USB_RECIP_INTERFACE) &&
      setup.bRequest == USB_REQ_GET_DESCRIPTOR && kind == kReportDescriptor) {
    Answer(report_descriptor_, length);
    in_use_ = created_;
  } else if (setup.bRequestType == (USB_DIR_IN | USB_RECIP_INTERFACE) &&
             setup.bRequest == USB_REQ_GET_DESCRIPTOR && kind == kHidDescriptor) {
    Answer(hid_descriptor_, length);
  } else if (setup.bRequestType == (USB_DIR_IN | USB_TYPE_CLASS | USB_RECIP_INTERFACE) &&
             setup.bRequest == kGetReport && kind == kFeature && number == 0) {
    // On the wire a report without an ID goes without its ID byte.
    Answer(std::vector<std::uint8_t>(feature_.begin() + 1, feature_.end()), length);
  } else if (setup.bRequestType == (USB_TYPE_CLASS | USB_RECIP_INTERFACE) &&
             setup.bRequest == kSetReport && length > 0) {
    SetReport request;
    request.number = number;
    request.data.assign(1 + length, number);
    const ssize_t read_bytes = read(ep0_, request.data.data() + 1, length);
    if (read_bytes < 0) return true;
    request.data.resize(1 + static_cast<std::size_t>(read_bytes));
    if (kind == kFeature && number == 0) feature_ = request.data;
    received(request);
  } else if (setup.bRequestType == (USB_TYPE_CLASS | USB_RECIP_INTERFACE) &&
             setup.bRequest == kSetIdle) {
    std::uint8_t none = 0;
    [[maybe_unused]] const auto acknowledged = read(ep0_, &none, 0);
  } else {
    Stall(in);
  }
  return true;
}

}  // namespace virtual_board
