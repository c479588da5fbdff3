#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "simbus.h"
#include "varnel.h"

namespace varnel::testing {

// Takes over a text the library returned; "" for the empty text.
inline std::string Take(char* text) {
  std::string copy = text ? text : "";
  std::free(text);
  return copy;
}

inline std::string Count() {
  return Take(FindHidDevice());
}
inline std::string IdText(std::int32_t index) {
  return Take(FindVidPid(&index));
}
inline std::int16_t Open(std::int32_t index, std::int16_t vendor, std::int16_t product) {
  return OpenDevice(&index, &vendor, &product);
}

inline simbus::Interface Device(const std::string& path, std::uint16_t vendor = 0,
                                std::uint16_t product = 0) {
  simbus::Interface interface;
  interface.path = path;
  interface.vendor_id = vendor;
  interface.product_id = product;
  return interface;
}

// An interface of some other HID device.
inline simbus::Interface Other(int n) {
  return Device("\\\\?\\hid#vid_046d&pid_c0" + std::to_string(10 + n) + "#" + std::to_string(n),
                0x046d, static_cast<std::uint16_t>(0xc010 + n));
}

// Every test starts on an empty bus with nothing held and ends releasing what it opened.
class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseUsbDevice();
    simbus::Reset();
  }
  void TearDown() override {
    CloseUsbDevice();
    EXPECT_EQ(simbus::Faults(), 0);
    simbus::Reset();
  }

  // How many calls of the record start with name.
  static int CallsOf(const std::string& name) {
    int count = 0;
    for (const std::string& call : simbus::Calls()) {
      if (call.rfind(name + " ", 0) == 0 || call == name) ++count;
    }
    return count;
  }
  static int LiveResources() {
    return simbus::LiveSets() + simbus::LiveHandles() + simbus::LivePreparsed();
  }
};

}  // namespace varnel::testing
