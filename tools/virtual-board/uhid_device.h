#pragma once

#include "board_device.h"

// The board made through /dev/uhid.
namespace virtual_board {

class UhidDevice : public BoardDevice {
 public:
  // Opens /dev/uhid; on failure error() says why and what to do.
  UhidDevice();
  ~UhidDevice() override;
  UhidDevice(const UhidDevice&) = delete;
  UhidDevice& operator=(const UhidDevice&) = delete;

  bool ok() const override { return fd_ >= 0; }
  const std::string& error() const override { return error_; }
  int fd() const override { return fd_; }

  bool Create(const DeviceIdentity& identity) override;
  void Destroy() override;
  bool created() const override { return created_; }

  // A set-report request goes to received before the answer, so whatever received records is
  // done by the time the sender's call returns.
  bool Handle(const std::function<void(const SetReport&)>& received) override;

 private:
  int fd_ = -1;
  bool created_ = false;
  std::vector<std::uint8_t> feature_;
  std::string error_;
};

}  // namespace virtual_board
