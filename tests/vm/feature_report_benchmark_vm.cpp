// One feature report to the board over USB (virtual-board --usb: dummy_hcd, usbhid, a control
// transfer) beside one over uhid, each a HIDIOCSFEATURE on the board's hidraw node, taken in
// turns so that both see the same load on the emulated CPU. Runs inside the virtual machine
// with the USB gadget modules loaded and VIRTUAL_BOARD_OPTIONS unset.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "virtual_boards.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReports = 200;

// The time of one report, in microseconds, or a negative number when it failed.
double SendOne(int fd, std::uint8_t data) {
  std::uint8_t report[9] = {0, data, 0, 0, 0, 0, 0, 0, 0};
  const auto start = Clock::now();
  const int sent = ioctl(fd, HIDIOCSFEATURE(sizeof report), report);
  const auto end = Clock::now();
  return sent == sizeof report ? std::chrono::duration<double, std::micro>(end - start).count()
                               : -1;
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  vm_checks::Board uhid_board({"--product", "6788"});
  vm_checks::Board usb_board({"--usb"});
  const int uhid = open(vm_checks::NodeOf("0003:00001234:00006788").c_str(), O_RDWR | O_CLOEXEC);
  const int usb = open(vm_checks::NodeOf("0003:00001234:00006789").c_str(), O_RDWR | O_CLOEXEC);
  if (uhid < 0 || usb < 0) {
    std::fprintf(stderr, "feature-report benchmark: a board's node is missing\n");
    return 1;
  }
  std::vector<double> over_uhid, over_usb;
  for (int i = 0; i < kReports; ++i) {
    over_uhid.push_back(SendOne(uhid, static_cast<std::uint8_t>(i)));
    over_usb.push_back(SendOne(usb, static_cast<std::uint8_t>(i)));
  }
  close(uhid);
  close(usb);
  if (*std::min_element(over_uhid.begin(), over_uhid.end()) < 0 ||
      *std::min_element(over_usb.begin(), over_usb.end()) < 0) {
    std::fprintf(stderr, "feature-report benchmark: a report failed\n");
    return 1;
  }
  const double uhid_median = Median(over_uhid);
  const double usb_median = Median(over_usb);
  std::printf("figure: vm_uhid_feature_report_median_us %.0f us\n", uhid_median);
  std::printf("figure: vm_usb_feature_report_median_us %.0f us\n", usb_median);
  std::printf("figure: vm_usb_to_uhid_feature_report %.1f ratio\n", usb_median / uhid_median);
  return 0;
}
