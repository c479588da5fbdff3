// One controller tick against the virtual board on a real kernel, by this library, by the least
// work the job needs on Linux and by Debian's hidapi side by side: open by vendor and product
// id, seven feature reports, close. With 0, 8 and 32 other HID devices present. Runs inside the
// virtual machine.
#include <dirent.h>
#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <limits.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "linux/hidraw_nodes.h"
#include "linux/report_descriptor.h"
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

// The least work: one listing of the hidraw folder in the order it comes, each node's ids read
// from its class link up to the board's, the board opened and its ids checked.
int OpenLeast() {
  const int dir = open("/sys/class/hidraw", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return -1;
  int device = -1;
  alignas(dirent64) char listing[8192];
  for (ssize_t length; device < 0 && (length = getdents64(dir, listing, sizeof listing)) > 0;) {
    for (ssize_t at = 0; device < 0 && at < length;) {
      const auto* entry = reinterpret_cast<const dirent64*>(listing + at);
      at += entry->d_reclen;
      if (std::strncmp(entry->d_name, "hidraw", 6) != 0) continue;
      char target[PATH_MAX];
      const ssize_t size = readlinkat(dir, entry->d_name, target, sizeof target);
      if (size <= 0) continue;
      const auto ids =
          varnel::linux_hidraw::IdsFromLinkTarget({target, static_cast<std::size_t>(size)});
      if (ids.vendor != 0x1234 || ids.product != 0x6789) continue;
      const std::string node = std::string("/dev/") + entry->d_name;
      device = open(node.c_str(), O_RDWR | O_CLOEXEC);
      hidraw_devinfo info = {};
      if (device >= 0 && (ioctl(device, HIDIOCGRAWINFO, &info) < 0 || info.vendor != 0x1234 ||
                          info.product != 0x6789)) {
        close(device);
        device = -1;
      }
    }
  }
  close(dir);
  return device;
}

// The board's feature report length, from its report descriptor.
unsigned FeatureLength(int device) {
  int size = 0;
  if (ioctl(device, HIDIOCGRDESCSIZE, &size) < 0) return 0;
  hidraw_report_descriptor descriptor = {};
  descriptor.size = static_cast<__u32>(std::clamp(size, 0, HID_MAX_DESCRIPTOR_SIZE - 1));
  if (ioctl(device, HIDIOCGRDESC, &descriptor) < 0) return 0;
  return varnel::linux_hidraw::ParseReportDescriptor({descriptor.value, descriptor.size}).feature;
}

Tick LeastTick() {
  const auto start = Clock::now();
  const int device = OpenLeast();
  const unsigned length = device < 0 ? 0 : FeatureLength(device);
  const auto opened = Clock::now();
  for (int i = 0; i < 7 && length > 0; ++i) {
    unsigned char report[64] = {0, static_cast<unsigned char>(i)};
    ioctl(device, HIDIOCSFEATURE(std::min<unsigned>(length, sizeof report)), report);
  }
  const auto sent = Clock::now();
  if (device >= 0) close(device);
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

struct Ticks {
  std::vector<double> whole, open_close;
  void Add(Tick tick) {
    whole.push_back(tick.whole);
    open_close.push_back(tick.open_close);
  }
  Tick Medians() const { return {Median(whole), Median(open_close)}; }
};

// Medians over kTicks ticks of each, taken in turns so that all three see the same load on the
// emulated CPU. Each round starts with the next one: whoever follows hidapi's long tick finds
// the emulator's caches cold, and no one may always be that one.
struct Medians {
  Tick ours;
  Tick least;
  Tick theirs;
};

Medians Measure() {
  Ticks ours, least, theirs;
  for (int i = 0; i < kTicks; ++i) {
    for (int turn = 0; turn < 3; ++turn) {
      switch ((i + turn) % 3) {
        case 0:
          ours.Add(VarnelTick());
          break;
        case 1:
          least.Add(LeastTick());
          break;
        default:
          theirs.Add(HidapiTick());
      }
    }
  }
  return {ours.Medians(), least.Medians(), theirs.Medians()};
}

// With --open-close N: only the median of N opens and closes by this library, in microseconds,
// against the boards present (the peer of the same figure through Wine's HID stack).
int OpenCloseOnly(const char* count) {
  const int n = std::atoi(count);
  if (n < 1) return 2;
  std::vector<double> times;
  for (int i = 0; i < n; ++i) {
    const auto start = Clock::now();
    const bool open = OpenUsbDevice(0x1234, 0x6789) == -1;
    CloseUsbDevice();
    if (!open) return 1;
    times.push_back(Micros(start, Clock::now()));
  }
  std::printf("%.0f\n", Median(times));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--open-close") == 0) return OpenCloseOnly(argv[2]);
  int status = 0;
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
    const auto [ours, least, theirs] = Measure();
    // A tick that missed the board would be timed as a fast one.
    const std::size_t sent = 3 * 7 * kTicks;
    if (const std::size_t taken = board.Reports().size(); taken != sent) {
      std::fprintf(stderr, "vm-tick-benchmark: with %d others the board took %zu reports of %zu\n",
                   count, taken, sent);
      status = 1;
    }
    std::printf("figure: vm_varnel_tick_us_others_%d %.0f us\n", count, ours.whole);
    std::printf("figure: vm_least_tick_us_others_%d %.0f us\n", count, least.whole);
    std::printf("figure: vm_hidapi_tick_us_others_%d %.0f us\n", count, theirs.whole);
    std::printf("figure: vm_varnel_to_least_others_%d %.2f ratio\n", count,
                ours.whole / least.whole);
    std::printf("figure: vm_varnel_to_hidapi_others_%d %.2f ratio\n", count,
                ours.whole / theirs.whole);
    std::printf("figure: vm_varnel_open_close_us_others_%d %.0f us\n", count, ours.open_close);
    std::printf("figure: vm_least_open_close_us_others_%d %.0f us\n", count, least.open_close);
    std::printf("figure: vm_hidapi_open_close_us_others_%d %.0f us\n", count, theirs.open_close);
    std::printf("figure: vm_varnel_to_least_open_close_others_%d %.2f ratio\n", count,
                ours.open_close / least.open_close);
    std::printf("figure: vm_varnel_to_hidapi_open_close_others_%d %.2f ratio\n", count,
                ours.open_close / theirs.open_close);
  }
  hid_exit();
  return status;
}
