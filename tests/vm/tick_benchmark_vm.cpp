// One controller tick against the virtual board on a real kernel, by this library and by
// Debian's hidapi side by side: open by vendor and product id, seven feature reports, close.
// With 0, 8 and 32 other HID devices present. Runs inside the virtual machine.
#include <hidapi/hidapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "varnel.h"
#include "virtual_boards.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTicks = 200;

double Micros(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::micro>(to - from).count();
}

// One tick's time, and the part of it spent finding, opening and closing the board (the rest
// is the seven reports, each a round trip to the board that both libraries share).
struct Tick {
  double whole;
  double open_close;
};

Tick VarnelTick() {
  const auto start = Clock::now();
  const bool open = OpenUsbDevice(0x1234, 0x6789) == -1;
  const auto opened = Clock::now();
  if (open) {
    for (int i = 0; i < 7; ++i) OutDataCtrl(static_cast<std::uint8_t>(i), 0);
  }
  const auto sent = Clock::now();
  CloseUsbDevice();
  const auto end = Clock::now();
  return {Micros(start, end), Micros(start, opened) + Micros(sent, end)};
}

Tick HidapiTick() {
  const auto start = Clock::now();
  hid_device* device = hid_open(0x1234, 0x6789, nullptr);
  const auto opened = Clock::now();
  if (device) {
    for (int i = 0; i < 7; ++i) {
      const unsigned char report[9] = {0, static_cast<unsigned char>(i), 0, 0, 0, 0, 0, 0, 0};
      hid_send_feature_report(device, report, sizeof report);
    }
  }
  const auto sent = Clock::now();
  if (device) hid_close(device);
  const auto end = Clock::now();
  return {Micros(start, end), Micros(start, opened) + Micros(sent, end)};
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// Medians over kTicks ticks of each library, taken in turns so that both see the same load on
// the emulated CPU.
struct Medians {
  Tick ours;
  Tick theirs;
};

Medians Measure() {
  std::vector<double> ours_whole, ours_open_close, theirs_whole, theirs_open_close;
  for (int i = 0; i < kTicks; ++i) {
    const Tick ours = VarnelTick();
    const Tick theirs = HidapiTick();
    ours_whole.push_back(ours.whole);
    ours_open_close.push_back(ours.open_close);
    theirs_whole.push_back(theirs.whole);
    theirs_open_close.push_back(theirs.open_close);
  }
  return {{Median(ours_whole), Median(ours_open_close)},
          {Median(theirs_whole), Median(theirs_open_close)}};
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
    const auto [ours, theirs] = Measure();
    std::printf("figure: vm_varnel_tick_us_others_%d %.0f us\n", count, ours.whole);
    std::printf("figure: vm_hidapi_tick_us_others_%d %.0f us\n", count, theirs.whole);
    std::printf("figure: vm_varnel_to_hidapi_others_%d %.2f ratio\n", count,
                ours.whole / theirs.whole);
    std::printf("figure: vm_varnel_open_close_us_others_%d %.0f us\n", count, ours.open_close);
    std::printf("figure: vm_hidapi_open_close_us_others_%d %.0f us\n", count, theirs.open_close);
    std::printf("figure: vm_varnel_to_hidapi_open_close_others_%d %.2f ratio\n", count,
                ours.open_close / theirs.open_close);
  }
  hid_exit();
  return 0;
}
