// virtual-board: the LED exam board made on the kernel's HID stack (through /dev/uhid, or as a
// USB device), so that Varnel and Orlanek meet a real hidraw node; without root, offered to this
// user's programs on libVarnel.so through a socket. Shows the two rows live, or writes one JSON
// line per report; unplugs and plugs itself on 'u' or SIGUSR1.
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

#include "board_protocol.h"
#include "board_state.h"
#include "options.h"
#include "socket_device.h"
#include "uhid_device.h"
#include "usb_device.h"

namespace {

using virtual_board::BoardDevice;
using virtual_board::BoardState;
using virtual_board::Options;
using virtual_board::SocketDevice;

const char kUsage[] =
    "Usage: virtual-board [--usb | --socket] [--json] [--vendor HEX] [--product HEX]\n"
    "                     [--feature-bytes N]\n"
    "  Makes the LED board (vendor %04x, product %04x, one 8-byte feature report) through\n"
    "  /dev/uhid and shows its green and red rows; where /dev/uhid cannot be opened (without\n"
    "  root), offers it through a socket to this user's programs on libVarnel.so instead.\n"
    "  'u' (or SIGUSR1) unplugs and plugs it again, 'q' (or SIGINT, SIGTERM, SIGHUP) ends it.\n"
    "  --usb     a USB device instead, on a free USB device controller (dummy_hcd) as a\n"
    "            configfs gadget, reached through usbhid; removed again at the end\n"
    "  --socket  the socket at once: $XDG_RUNTIME_DIR/varnel-virtual-board, listed by\n"
    "            libVarnel.so after the real HID devices, for this user's programs only\n"
    "  --json    one JSON line per report and per plug change instead of the live rows, each\n"
    "            with \"ms\": milliseconds since the board was made\n";

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

// The board on uhid (as root); where /dev/uhid cannot be opened, on this user's socket; null
// when neither can be had (the reason told).
std::unique_ptr<BoardDevice> MakeDevice(const Options& options) {
  if (options.usb) return std::make_unique<virtual_board::UsbDevice>();
  if (options.socket) return std::make_unique<SocketDevice>();
  auto uhid = std::make_unique<virtual_board::UhidDevice>();
  if (uhid->ok()) return uhid;
  auto socket = std::make_unique<SocketDevice>();
  if (!socket->ok()) {
    // Neither way: one line tells why, for both.
    std::fprintf(stderr, "virtual-board: %s; nor can the board go to a socket: %s\n",
                 uhid->error().c_str(), socket->error().c_str());
    return nullptr;
  }
  std::fprintf(stderr, "virtual-board: %s\n", uhid->error().c_str());
  std::fprintf(stderr,
               "virtual-board: the board goes to this user's programs on libVarnel.so through "
               "%s instead\n",
               socket->path());
  return socket;
}

// Blocks the signals the board answers and returns the file they arrive on instead.
int SignalFile() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGUSR1);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  return signalfd(-1, &signals, SFD_CLOEXEC);
}

// What a signal or a key asks for.
enum class Request { kNone, kReplug, kQuit };

Request ReadSignal(int signal_fd) {
  signalfd_siginfo info;
  if (read(signal_fd, &info, sizeof info) != sizeof info) return Request::kNone;
  return info.ssi_signo == SIGUSR1 ? Request::kReplug : Request::kQuit;
}

Request ReadKey() {
  char key = 0;
  if (read(STDIN_FILENO, &key, 1) != 1) return Request::kNone;
  if (key == 'u') return Request::kReplug;
  if (key == 'q') return Request::kQuit;
  return Request::kNone;
}

// The board on the host's bus: its rows, and whether the host has it.
class Session {
 public:
  Session(const Options& options, BoardDevice& device) : options_(options), device_(device) {}

  bool PlugIn() { return device_.Create(options_.identity); }
  // The file to poll, anew after every replug: the USB board opens its endpoint again.
  int device_fd() const { return device_.fd(); }

  // "plugged" once the host has taken the board in, not when it is plugged in: a program
  // cannot reach the board before.
  void FollowHost() {
    if (device_.in_use() != plugged_) {
      plugged_ = !plugged_;
      Event(options_, since_made_, plugged_ ? "plugged" : "unplugged");
    }
    Show(options_, board_, plugged_);
  }

  // Answers the host's request; false when the device's file failed.
  bool AnswerHost() {
    const bool alive = device_.Handle([&](const virtual_board::SetReport& request) {
      board_.Apply(request.data);
      if (options_.json) {
        std::printf("%s\n",
                    board_.JsonLine(since_made_.ms(), request.number, request.data).c_str());
        std::fflush(stdout);
      }
      Show(options_, board_, plugged_);
    });
    if (alive) FollowHost();
    return alive;
  }

  void Replug() {
    if (device_.created()) {
      device_.Destroy();
    } else if (!PlugIn()) {
      std::fprintf(stderr, "\nvirtual-board: plugging in again failed: %s\n",
                   device_.error().c_str());
    }
    FollowHost();
  }

 private:
  const Options& options_;
  BoardDevice& device_;
  const Stopwatch since_made_;
  BoardState board_;
  bool plugged_ = false;
};

// Serves the host, the signals and the keys until one ends it.
void Serve(Session& session, int signal_fd, const KeyMode& keys) {
  for (;;) {
    pollfd fds[3] = {
        {session.device_fd(), POLLIN, 0}, {signal_fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    if (poll(fds, keys.active() ? 3 : 2, -1) < 0) continue;
    if ((fds[0].revents & POLLIN) && !session.AnswerHost()) return;
    const Request signal = (fds[1].revents & POLLIN) ? ReadSignal(signal_fd) : Request::kNone;
    const Request key = keys.active() && (fds[2].revents & POLLIN) ? ReadKey() : Request::kNone;
    if (signal == Request::kReplug || key == Request::kReplug) session.Replug();
    if (signal == Request::kQuit || key == Request::kQuit) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf(kUsage, orlanek::board::kVendorId, orlanek::board::kProductId);
    return 0;
  }
  if (!virtual_board::ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "virtual-board: bad arguments (try virtual-board --help)\n");
    return 2;
  }
  const std::unique_ptr<BoardDevice> device = MakeDevice(options);
  if (!device) return 1;
  if (!device->ok()) {
    std::fprintf(stderr, "virtual-board: %s\n", device->error().c_str());
    return 1;
  }
  const int signal_fd = SignalFile();
  Session session(options, *device);
  if (!session.PlugIn()) {
    std::fprintf(stderr, "virtual-board: %s\n", device->error().c_str());
    return 1;
  }
  KeyMode keys;
  session.FollowHost();
  Serve(session, signal_fd, keys);
  if (!options.json) std::printf("\n");
  return 0;
}
