// Report descriptors are whatever a device chooses to send.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_check.h"
#include "linux/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto lengths =
      varnel::linux_hidraw::ParseReportDescriptor(std::span<const std::uint8_t>(data, size));
  // A report that exists carries at least its ID byte and one more.
  for (const std::uint16_t length : {lengths.input, lengths.output, lengths.feature}) {
    FuzzCheck(length == 0 || length >= 2, "a report length of 1");
  }
  return 0;
}
