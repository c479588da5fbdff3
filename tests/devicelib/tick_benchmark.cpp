// One controller tick's work in the library (open, seven reports, close) over the simulated
// bus, with the board at member index 0, 15 and 127.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "simbus.h"
#include "varnel.h"

namespace {

constexpr int kTicks = 2000;

void Measure(int board_index) {
  simbus::Reset();
  for (int i = 0; i < board_index; ++i) {
    simbus::Interface other;
    other.path =
        "\\\\?\\hid#vid_046d&pid_c0" + std::to_string(10 + i % 90) + "#" + std::to_string(i);
    simbus::Add(other);
  }
  simbus::AddBoard();

  std::vector<double> micros;
  std::size_t calls = 0;
  for (int tick = 0; tick < kTicks; ++tick) {
    simbus::ClearRecord();
    const auto start = std::chrono::steady_clock::now();
    if (OpenUsbDevice(0x1234, 0x6789) == -1) {
      for (int i = 0; i < 7; ++i) OutDataCtrl(static_cast<uint8_t>(tick), 0);
    }
    CloseUsbDevice();
    const auto end = std::chrono::steady_clock::now();
    micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    calls = simbus::Calls().size();
  }
  std::nth_element(micros.begin(), micros.begin() + kTicks / 2, micros.end());
  std::printf("figure: varnel_tick_us_index_%d %.1f us\n", board_index, micros[kTicks / 2]);
  std::printf("figure: varnel_tick_calls_index_%d %zu calls\n", board_index, calls);
}

}  // namespace

int main() {
  for (const int index : {0, 15, 127}) Measure(index);
  return 0;
}
