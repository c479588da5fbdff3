// The board and another HID device unplugged and plugged again at random moments while the
// library ticks as the controller does: open by ids, seven reports, close, and now and then an
// open left unreleased as the run window's unload leaves it. Every tick finds the board or
// nothing, never the other device; no report reaches the other device; the open files and the
// heap come back to where they were. Runs inside the virtual machine (as root), with
// VIRTUAL_BOARD naming the virtual-board program.
// Usage: hotplug_storm [CYCLES]   (unplug-and-plug cycles of each device, 300 unless given)
#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <malloc.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "varnel.h"
#include "virtual_boards.h"

namespace {

using namespace std::chrono_literals;
using vm_checks::Board;
using vm_checks::OpenFiles;

constexpr std::int16_t kVendor = 0x1234;
constexpr std::int16_t kProduct = 0x6789;
constexpr int kUnreleasedEvery = 10;

std::atomic<bool> failed{false};

void Fail(const std::string& what) {
  std::printf("FAIL: %s\n", what.c_str());
  std::fflush(stdout);
  failed = true;
}

// The JSON lines a board has written so far, read as they come.
class LogFollower {
 public:
  explicit LogFollower(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~LogFollower() { close(fd_); }
  void Read() {
    char chunk[4096];
    for (ssize_t n; (n = read(fd_, chunk, sizeof chunk)) > 0;) {
      pending_.append(chunk, static_cast<std::size_t>(n));
      for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        const std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        // Each line starts with its time: {"ms":N,"event":... or {"ms":N,"report":...
        if (line.find(",\"event\":") != std::string::npos) ++events_;
        if (line.find(",\"report\":") != std::string::npos) ++reports_;
      }
    }
  }
  int events() const { return events_; }
  int reports() const { return reports_; }

 private:
  int fd_;
  std::string pending_;
  int events_ = 0;
  int reports_ = 0;
};

// Flips a device and waits for its log to show the change; false when it never does.
bool FlipAndWait(const Board& board, LogFollower& log) {
  const int before = log.events();
  board.Flip();
  for (int i = 0; i < 10000; ++i) {
    log.Read();
    if (log.events() > before) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

// The ids of every hidraw device this process has open, as the kernel reports them; a device
// unplugged since it was opened reports nothing.
void CheckOpenDevices(long tick) {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    const int fd = std::atoi(entry->d_name);
    char target[64] = {};
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    if (readlink(link.c_str(), target, sizeof target - 1) <= 0) continue;
    if (std::string(target).rfind("/dev/hidraw", 0) != 0) continue;
    hidraw_devinfo info = {};
    if (ioctl(fd, HIDIOCGRAWINFO, &info) != 0) continue;
    if (static_cast<std::uint16_t>(info.vendor) != 0x1234 ||
        static_cast<std::uint16_t>(info.product) != 0x6789) {
      char ids[64];
      std::snprintf(ids, sizeof ids, "%04x:%04x", info.vendor & 0xFFFF, info.product & 0xFFFF);
      Fail("tick " + std::to_string(tick) + " opened " + target + ", device " + ids);
    }
  }
  closedir(dir);
}

long HeapInUse() {
  return static_cast<long>(mallinfo2().uordblks);
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// One tick as the controller runs it; released unless told otherwise. Returns the result of
// the open.
int Tick(long tick, bool release) {
  const std::int16_t found = OpenUsbDevice(kVendor, kProduct);
  if (found != 0 && found != -1)
    Fail("tick " + std::to_string(tick) + ": open gave " + std::to_string(found));
  if (found == -1) {
    CheckOpenDevices(tick);
    const std::uint8_t controls[] = {0x00, 0x20, 0x30, 0x20, 0x00, 0x20, 0x00};
    for (const std::uint8_t control : controls)
      OutDataCtrl(static_cast<std::uint8_t>(tick), control);
  }
  if (release) CloseUsbDevice();
  return found;
}

// The devices of a storm, each with its log.
struct Devices {
  Board board;
  Board other{{"--vendor", "04d8", "--product", "003f"}};
  LogFollower board_log{board.log()};
  LogFollower other_log{other.log()};
};

struct Storm {
  int board_cycles = 0;
  int other_cycles = 0;
  long ticks = 0;
  long present = 0;
};

// Ticks while each device is unplugged and plugged again CYCLES times at random moments, every
// released tick leaving FILES open; ends when both devices are back and the board is found.
Storm RunStorm(Devices& devices, int cycles, int files) {
  Storm storm;
  std::atomic<bool> storming{true};
  std::thread flipper([&] {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> pause_us(0, 20000);
    int flips[2] = {0, 0};
    while (flips[0] < 2 * cycles || flips[1] < 2 * cycles) {
      int which = random() % 2;
      if (flips[which] == 2 * cycles) which = 1 - which;
      const Board& device = which ? devices.other : devices.board;
      if (!FlipAndWait(device, which ? devices.other_log : devices.board_log)) {
        Fail(std::string(which ? "the other device" : "the board") +
             " did not change within 10 s of a flip");
        break;
      }
      ++flips[which];
      std::this_thread::sleep_for(std::chrono::microseconds(pause_us(random)));
    }
    storm.board_cycles = flips[0] / 2;
    storm.other_cycles = flips[1] / 2;
    storming = false;
  });
  while (storming) {
    const bool release = storm.ticks % kUnreleasedEvery != kUnreleasedEvery - 1;
    storm.present += Tick(storm.ticks, release) == -1;
    if (release && OpenFiles() != files) {
      Fail("tick " + std::to_string(storm.ticks) + " left " + std::to_string(OpenFiles() - files) +
           " more files open");
    }
    ++storm.ticks;
  }
  flipper.join();

  // The kernel adds a device a moment after it is made.
  bool found = false;
  for (int i = 0; i < 500 && !found; ++i) {
    found = Tick(storm.ticks++, true) == -1;
    if (!found) std::this_thread::sleep_for(10ms);
  }
  if (!found) Fail("the board was not found within 5 s of the storm's end");
  return storm;
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 300;
  Devices devices;
  for (long tick = 0; tick < 20; ++tick) Tick(tick, tick % kUnreleasedEvery != 9);
  CloseUsbDevice();
  const int files_before = OpenFiles();
  // A short storm first: the C library keeps some memory of the paths and the thread that a
  // storm takes for the next time.
  RunStorm(devices, 10, files_before);
  const long heap_before = HeapInUse();
  const long resident_before = ResidentKiB();

  const Storm storm = RunStorm(devices, cycles, files_before);
  Tick(storm.ticks, false);  // left open, as the run window's unload leaves it
  CloseUsbDevice();
  const int files_after = OpenFiles();
  const long heap_after = HeapInUse();
  const long resident_after = ResidentKiB();

  devices.board_log.Read();
  devices.other_log.Read();
  if (devices.other_log.reports() != 0) {
    Fail(std::to_string(devices.other_log.reports()) + " reports reached the other device");
  }
  if (devices.board_log.reports() == 0) Fail("no report reached the board");
  if (files_after != files_before) {
    Fail("open files " + std::to_string(files_before) + " before, " + std::to_string(files_after) +
         " after");
  }
  // Nothing of the library's may stay on the heap; a page allows for the C library's own.
  if (heap_after > heap_before + 4096) {
    Fail("heap in use grew from " + std::to_string(heap_before) + " to " +
         std::to_string(heap_after) + " bytes");
  }
  std::printf("figure: vm_storm_board_cycles %d cycles\n", storm.board_cycles);
  std::printf("figure: vm_storm_other_device_cycles %d cycles\n", storm.other_cycles);
  std::printf("figure: vm_storm_ticks %ld ticks\n", storm.ticks);
  std::printf("figure: vm_storm_ticks_with_board %ld ticks\n", storm.present);
  std::printf("figure: vm_storm_open_files_before %d files\n", files_before);
  std::printf("figure: vm_storm_open_files_after %d files\n", files_after);
  std::printf("figure: vm_storm_heap_before %ld bytes\n", heap_before);
  std::printf("figure: vm_storm_heap_after %ld bytes\n", heap_after);
  std::printf("figure: vm_storm_resident_before %ld KiB\n", resident_before);
  std::printf("figure: vm_storm_resident_after %ld KiB\n", resident_after);
  return failed ? 1 : 0;
}
