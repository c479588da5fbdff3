#pragma once

#include <cstdint>
#include <span>

// What the library needs from a HID report descriptor, reckoned the way Windows reports it in
// HIDP_CAPS: for each report type the longest report in bytes plus one byte for the report ID,
// also for a device without report IDs; 0 for a type the device does not have.
namespace varnel::linux_hidraw {

struct ReportLengths {
  std::uint16_t usage_page = 0;  // the first top-level collection's (first) usage
  std::uint16_t usage = 0;
  std::uint16_t input = 0;
  std::uint16_t output = 0;
  std::uint16_t feature = 0;
};

// Reads short and long items; a truncated item ends the descriptor.
ReportLengths ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace varnel::linux_hidraw
