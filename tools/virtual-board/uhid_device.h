#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One HID device made through /dev/uhid: a vendor-defined collection with one feature report
// of the given size and no report IDs.
namespace virtual_board {

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

  // Reads one event; fills report when it was a set-report request (and answers it).
  // Returns false when the device's file failed.
  bool Handle(std::vector<std::uint8_t>* report);

 private:
  int fd_ = -1;
  bool created_ = false;
  std::string error_;
};

std::vector<std::uint8_t> FeatureReportDescriptor(int feature_bytes);

}  // namespace virtual_board
