#include "linux/hidraw_nodes.h"

#include <gtest/gtest.h>

#include <string_view>

namespace varnel::linux_hidraw {
namespace {

testing::AssertionResult HasIds(std::string_view target, std::uint16_t vendor,
                                std::uint16_t product) {
  const NodeIds ids = IdsFromLinkTarget(target);
  if (ids.vendor == vendor && ids.product == product) return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << std::hex << "read " << ids.vendor << ":" << ids.product << " from " << target;
}

TEST(HidrawNodes, IdsComeFromTheNearestHidDeviceInALinkTarget) {
  // A virtual board's class link, and the same device's own link.
  EXPECT_TRUE(
      HasIds("../../devices/virtual/misc/uhid/0003:1234:6789.0001/hidraw/hidraw0", 0x1234, 0x6789));
  EXPECT_TRUE(HasIds("../../../0003:1234:6789.0001", 0x1234, 0x6789));
  // A USB receiver's child device: the nearer name counts, and the PCI address above, shaped
  // much like a HID device's name, is never reached.
  EXPECT_TRUE(
      HasIds("../../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.2/0003:046D:C52B.0003/"
             "0003:046D:4024.0004/hidraw/hidraw5",
             0x046D, 0x4024));
  // Upper- or lower-case digits, fields wider than 16 bits keep their low 16 bits.
  EXPECT_TRUE(HasIds("../0018:0001ABCD:fffe6789.00A1/hidraw/hidraw9", 0xABCD, 0x6789));
}

TEST(HidrawNodes, ATargetWithoutAHidDeviceReadsAsIdsZero) {
  for (const std::string_view target :
       {"", "/", "hidraw0", "../../0003:1234.0001/hidraw/hidraw0",
        "../0003:1234:6789./hidraw/hidraw0", "../0003:1234:6789.0001x/hidraw/hidraw0",
        "../:1234:6789.0001/hidraw", "../0003:12 4:6789.0001/hidraw", "0003::6789.0001"}) {
    EXPECT_TRUE(HasIds(target, 0, 0));
  }
}

}  // namespace
}  // namespace varnel::linux_hidraw
