// One controller tick's work in the library (open, seven reports, close) over the simulated
// bus, with the board at member index 0, 15 and 127; and what the look for the virtual board's
// socket adds to an open of the real library that finds no board.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "board_protocol.h"
#include "simbus.h"
#include "varnel.h"

namespace {

constexpr int kTicks = 2000;

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

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
  std::printf("figure: varnel_tick_us_index_%d %.1f us\n", board_index, Median(micros));
  std::printf("figure: varnel_tick_calls_index_%d %zu calls\n", board_index, calls);
}

// The real library (VARNEL_LIBRARY, a copy of its own beside the simulated one) opening and
// closing with no board and no virtual board: with XDG_RUNTIME_DIR unset, so that no socket is
// looked for, and set to a folder without the socket, in turns.
int MeasureSocketLook() {
  void* library = dlopen(VARNEL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  char folder[] = "/tmp/varnel-look-XXXXXX";
  if (library == nullptr || mkdtemp(folder) == nullptr) {
    std::fprintf(stderr, "varnel-tick-benchmark: %s\n", library ? "no folder" : dlerror());
    return 1;
  }
  const auto open = reinterpret_cast<decltype(&OpenUsbDevice)>(dlsym(library, "OpenUsbDevice"));
  const auto close = reinterpret_cast<decltype(&CloseUsbDevice)>(dlsym(library, "CloseUsbDevice"));
  if (open == nullptr || close == nullptr || open == &OpenUsbDevice) {
    std::fprintf(stderr, "varnel-tick-benchmark: %s is not a library of its own\n", VARNEL_LIBRARY);
    return 1;
  }
  constexpr int kRounds = 20;
  std::vector<double> micros[2];
  for (int round = 0; round < kRounds; ++round) {
    for (const bool looking : {false, true}) {
      looking ? setenv("XDG_RUNTIME_DIR", folder, 1) : unsetenv("XDG_RUNTIME_DIR");
      for (int i = 0; i < kTicks / kRounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        open(orlanek::board::kVendorId, orlanek::board::kProductId);
        close();
        const auto end = std::chrono::steady_clock::now();
        micros[looking].push_back(std::chrono::duration<double, std::micro>(end - start).count());
      }
    }
  }
  rmdir(folder);
  const double without = Median(micros[0]);
  const double with = Median(micros[1]);
  std::printf("figure: varnel_open_no_board_us %.1f us\n", without);
  std::printf("figure: varnel_open_no_board_socket_look_us %.1f us\n", with);
  std::printf("figure: varnel_socket_look_us %.1f us\n", with - without);
  std::printf("figure: varnel_socket_look_share_of_open %.0f %%\n", 100 * (with - without) / with);
  std::printf("figure: varnel_socket_look_share_of_tick %.4f %%\n",
              100 * (with - without) / (orlanek::board::kTickMs * 1000.0));
  return 0;
}

}  // namespace

int main() {
  for (const int index : {0, 15, 127}) Measure(index);
  return MeasureSocketLook();
}
