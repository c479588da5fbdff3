// virtual-board: the LED exam board made on the kernel's HID stack (through /dev/uhid, or as a
// USB device), so that Varnel and Orlanek meet a real hidraw node. Shows the two rows live, or
// writes one JSON line per report; unplugs and plugs itself on 'u' or SIGUSR1.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "board_state.h"
#include "options.h"
#include "uhid_device.h"
#include "usb_device.h"

namespace {

using virtual_board::BoardDevice;
using virtual_board::BoardState;
using virtual_board::Options;

const char kUsage[] =
    "Usage: virtual-board [--usb] [--json] [--vendor HEX] [--product HEX] [--feature-bytes N]\n"
    "  Makes the LED board (vendor 1234, product 6789, one 8-byte feature report) through\n"
    "  /dev/uhid and shows its green and red rows. 'u' (or SIGUSR1) unplugs and plugs it\n"
    "  again, 'q' (or SIGINT, SIGTERM) ends it.\n"
    "  --usb   a USB device instead, on a free USB device controller (dummy_hcd) as a\n"
    "          configfs gadget, reached through usbhid; removed again at the end\n"
    "  --json  one JSON line per report and per plug change instead of the live rows, each\n"
    "          with \"ms\": milliseconds since the board was made\n";

// The terminal in single-key mode while the board shows its rows, restored at the end.
class KeyMode {
 public:
  KeyMode() {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios raw = saved_;
    raw.c_lflag &= ~(ICANON | ECHO);
    active_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
  }
  ~KeyMode() {
    if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
  }
  bool active() const { return active_; }

 private:
  termios saved_ = {};
  bool active_ = false;
};

void Show(const Options& options, const BoardState& board, bool plugged) {
  if (options.json) return;
  std::printf("\r%s   %s  ", board.Rows().c_str(), plugged ? "plugged in" : "unplugged ");
  std::fflush(stdout);
}

// Whole milliseconds since the board was made, on the monotonic clock.
class Stopwatch {
 public:
  std::int64_t ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  }

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point start_ = Clock::now();
};

void Event(const Options& options, const Stopwatch& since_made, const char* what) {
  if (!options.json) return;
  std::printf("%s\n", virtual_board::JsonEvent(since_made.ms(), what).c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!virtual_board::ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "virtual-board: bad arguments (try virtual-board --help)\n");
    return 2;
  }
  std::unique_ptr<BoardDevice> made;
  if (options.usb) {
    made = std::make_unique<virtual_board::UsbDevice>();
  } else {
    made = std::make_unique<virtual_board::UhidDevice>();
  }
  BoardDevice& device = *made;
  if (!device.ok()) {
    std::fprintf(stderr, "virtual-board: %s\n", device.error().c_str());
    return 1;
  }

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGUSR1);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int signal_fd = signalfd(-1, &signals, SFD_CLOEXEC);

  const Stopwatch since_made;
  if (!device.Create(options.identity)) {
    std::fprintf(stderr, "virtual-board: %s\n", device.error().c_str());
    return 1;
  }
  KeyMode keys;
  BoardState board;
  // "plugged" once the host has taken the board in, not when it is plugged in: a program
  // cannot reach the board before.
  bool plugged = false;
  const auto follow_host = [&] {
    if (device.in_use() != plugged) {
      plugged = !plugged;
      Event(options, since_made, plugged ? "plugged" : "unplugged");
    }
    Show(options, board, plugged);
  };
  follow_host();

  bool running = true;
  while (running) {
    pollfd fds[3] = {{device.fd(), POLLIN, 0}, {signal_fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    if (poll(fds, keys.active() ? 3 : 2, -1) < 0) continue;
    bool toggle = false;
    if (fds[0].revents & POLLIN) {
      const bool alive = device.Handle([&](const virtual_board::SetReport& request) {
        board.Apply(request.data);
        if (options.json) {
          std::printf("%s\n",
                      board.JsonLine(since_made.ms(), request.number, request.data).c_str());
          std::fflush(stdout);
        }
        Show(options, board, plugged);
      });
      if (!alive) break;
      follow_host();
    }
    if (fds[1].revents & POLLIN) {
      signalfd_siginfo info;
      if (read(signal_fd, &info, sizeof info) == sizeof info) {
        if (info.ssi_signo == SIGUSR1) {
          toggle = true;
        } else {
          running = false;
        }
      }
    }
    if (keys.active() && (fds[2].revents & POLLIN)) {
      char key = 0;
      if (read(STDIN_FILENO, &key, 1) == 1) {
        if (key == 'u') toggle = true;
        if (key == 'q') running = false;
      }
    }
    if (toggle) {
      if (device.created()) {
        device.Destroy();
      } else if (!device.Create(options.identity)) {
        std::fprintf(stderr, "\nvirtual-board: plugging in again failed: %s\n",
                     device.error().c_str());
      }
      follow_host();
    }
  }
  if (!options.json) std::printf("\n");
  return 0;
}
