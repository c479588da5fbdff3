#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One HID device made through /dev/uhid: a vendor-defined collection with one feature report
// of the given size and no report IDs.
namespace virtual_board {

// A set-report request as the kernel handed it over.
struct SetReport {
  std::uint8_t number = 0;
  std::vector<std::uint8_t> data;
};

struct DeviceIdentity {
  std::uint16_t vendor = 0x1234;
  std::uint16_t product = 0x6789;
  int feature_bytes = 8;
  std::string name = "Orlanek virtual LED board";
};

class UhidDevice {
 public:
  // Opens /dev/uhid; on failure error() says why and what to do.
  UhidDevice();
  ~UhidDevice();
  UhidDevice(const UhidDevice&) = delete;
  UhidDevice& operator=(const UhidDevice&) = delete;

  bool ok() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }
  int fd() const { return fd_; }

  bool Create(const DeviceIdentity& identity);
  void Destroy();
  bool created() const { return created_; }

  // Reads one event and answers it. A set-report request goes to received before the answer,
  // so whatever received records is done by the time the sender's call returns. A get-report
  // request is answered with the last feature report set. Returns false when the device's
  // file failed.
  bool Handle(const std::function<void(const SetReport&)>& received);

 private:
  int fd_ = -1;
  bool created_ = false;
  std::vector<std::uint8_t> feature_;
  std::string error_;
};

std::vector<std::uint8_t> FeatureReportDescriptor(int feature_bytes);

}  // namespace virtual_board
