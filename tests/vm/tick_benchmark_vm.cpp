// One controller tick against the virtual board on a real kernel, by this library and by
// Debian's hidapi side by side: open by vendor and product id, seven feature reports, close.
// With 0, 8 and 32 other HID devices present. Runs inside the virtual machine.
#include <hidapi/hidapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "varnel.h"
#include "virtual_boards.h"

namespace {

constexpr int kTicks = 200;

double MedianMicros(const std::function<void()>& tick) {
  std::vector<double> times;
  for (int i = 0; i < kTicks; ++i) {
    const auto start = std::chrono::steady_clock::now();
    tick();
    times.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::nth_element(times.begin(), times.begin() + kTicks / 2, times.end());
  return times[kTicks / 2];
}

void VarnelTick() {
  if (OpenUsbDevice(0x1234, 0x6789) == -1) {
    for (int i = 0; i < 7; ++i) OutDataCtrl(static_cast<std::uint8_t>(i), 0);
  }
  CloseUsbDevice();
}

void HidapiTick() {
  if (hid_device* device = hid_open(0x1234, 0x6789, nullptr)) {
    for (int i = 0; i < 7; ++i) {
      const unsigned char report[9] = {0, static_cast<unsigned char>(i), 0, 0, 0, 0, 0, 0, 0};
      hid_send_feature_report(device, report, sizeof report);
    }
    hid_close(device);
  }
}

}  // namespace

int main() {
  hid_init();
  std::vector<std::unique_ptr<vm_checks::Board>> others;
  for (const int count : {0, 8, 32}) {
    while (static_cast<int>(others.size()) < count) {
      char product[8];
      std::snprintf(product, sizeof product, "%04x", static_cast<unsigned>(others.size() + 1));
      others.push_back(std::make_unique<vm_checks::Board>(
          std::vector<std::string>{"--vendor", "0abc", "--product", product}));
    }
    vm_checks::Board board;
    const double ours = MedianMicros(VarnelTick);
    const double theirs = MedianMicros(HidapiTick);
    std::printf("figure: vm_varnel_tick_us_others_%d %.0f us\n", count, ours);
    std::printf("figure: vm_hidapi_tick_us_others_%d %.0f us\n", count, theirs);
    std::printf("figure: vm_varnel_to_hidapi_others_%d %.2f ratio\n", count, ours / theirs);
  }
  hid_exit();
  return 0;
}
