#pragma once

#include <functional>
#include <string>
#include <vector>

#include "board_device.h"

// The board made as a USB device: a configfs gadget on a free device controller (dummy_hcd's,
// on a machine without a real one) whose one HID interface is a FunctionFS function answered
// here, so that the host reaches it through usbhid with USB control transfers. FunctionFS
// rather than the kernel's own HID function: that one keeps only the last set-report's data
// until it is read, so reports sent back to back are lost, and it cannot tell a feature report
// from an output report. Here the host's set-report completes only once its data has been read.
namespace virtual_board {

class UsbDevice : public BoardDevice {
 public:
  // Finds a free device controller and the kernel's gadget support; on failure error() says
  // why and what to do.
  UsbDevice();
  // Unplugs the board and removes everything it made.
  ~UsbDevice() override;
  UsbDevice(const UsbDevice&) = delete;
  UsbDevice& operator=(const UsbDevice&) = delete;

  bool ok() const override { return !udc_.empty(); }
  const std::string& error() const override { return error_; }
  int fd() const override { return ep0_; }

  // The first call makes the gadget; every call binds it to the controller.
  bool Create(const DeviceIdentity& identity) override;
  // Unbinds the gadget: the host sees the board unplugged.
  void Destroy() override;
  bool created() const override { return created_; }
  // Binding the gadget only begins the host's enumeration; the board is in use once usbhid,
  // probing it, has read its report descriptor, just before the hidraw node is made.
  bool in_use() const override { return in_use_; }

  // The host's set-report call returns once the data has been read, just before received runs.
  bool Handle(const std::function<void(const SetReport&)>& received) override;

 private:
  bool Make(const DeviceIdentity& identity);
  // what: a marked text, with {1} for the system's reason (from errno) and {2} for name.
  bool Fail(const char* what, const std::string& name = {});
  void Answer(const std::vector<std::uint8_t>& data, std::size_t asked);
  void Stall(bool in);

  std::string udc_;
  std::string gadget_;
  int ep0_ = -1;
  bool created_ = false;
  bool in_use_ = false;
  std::vector<std::uint8_t> report_descriptor_;
  std::vector<std::uint8_t> hid_descriptor_;
  std::vector<std::uint8_t> feature_;
  // What Make did, undone in reverse order at the end.
  std::vector<std::function<void()>> undo_;
  std::string error_;
};

}  // namespace virtual_board
