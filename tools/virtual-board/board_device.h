#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "board_protocol.h"

// The board as the kernel sees it: one HID device with a vendor-defined collection, one
// feature report of the given size and no report IDs, made through one of the kernel's
// interfaces (uhid, or a USB gadget on a device controller).
namespace virtual_board {

// A set-report request as the host sent it: the report number, then the report with its ID
// byte first, as the host's program wrote it.
struct SetReport {
  std::uint8_t number = 0;
  std::vector<std::uint8_t> data;
};

struct DeviceIdentity {
  std::uint16_t vendor = orlanek::board::kVendorId;
  std::uint16_t product = orlanek::board::kProductId;
  int feature_bytes = 8;
  std::string name = "Orlanek virtual LED board";
};

class BoardDevice {
 public:
  virtual ~BoardDevice() = default;

  // Whether the kernel interface could be reached; if not, error() says why and what to do,
  // in one line.
  virtual bool ok() const = 0;
  virtual const std::string& error() const = 0;
  // The file to poll for requests.
  virtual int fd() const = 0;

  // Plugs the board in, or takes it out.
  virtual bool Create(const DeviceIdentity& identity) = 0;
  virtual void Destroy() = 0;
  virtual bool created() const = 0;
  // Whether the host has taken the board in since it was plugged in, so that its node is there
  // or about to be: the moment the board counts as plugged in.
  virtual bool in_use() const { return created(); }

  // Reads one request and answers it: a set-report goes to received, a get-report for the
  // feature report is answered with the last one set. Returns false when the device's file
  // failed.
  virtual bool Handle(const std::function<void(const SetReport&)>& received) = 0;
};

// The report descriptor both interfaces give the host.
std::vector<std::uint8_t> FeatureReportDescriptor(int feature_bytes);

}  // namespace virtual_board
