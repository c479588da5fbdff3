// virtual-board: the LED exam board made on the kernel's HID stack (through /dev/uhid, or as a
// USB device), so that Varnel and Orlanek meet a real hidraw node; without root, offered to this
// user's programs on libVarnel.so through a socket. Shows the two rows live, or writes one JSON
// line per report; unplugs and plugs itself on 'u' or SIGUSR1. With the coach, judges the
// session as it comes, beside the rows, and gives station-check's verdict at the end.
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "board_protocol.h"
#include "board_state.h"
#include "coach.h"
#include "columns.h"
#include "messages.h"
#include "options.h"
#include "picture.h"
#include "socket_device.h"
#include "uhid_device.h"
#include "usb_device.h"

namespace {

using messages::Tr;
using virtual_board::BoardDevice;
using virtual_board::BoardState;
using virtual_board::Coach;
using virtual_board::Options;
using virtual_board::SocketDevice;

constexpr const char* kUsage = messages::N_(
    "Usage: virtual-board [--usb | --socket] [--json] [--vendor HEX] [--product HEX]\n"
    "                     [--feature-bytes N] [--coach] [--exercise N] [--picture FILE]\n"
    "  Makes the LED board (vendor {1}, product {2}, one 8-byte feature report) through\n"
    "  /dev/uhid and shows its green and red rows; where /dev/uhid cannot be opened (without\n"
    "  root), offers it through a socket to this user's programs on libVarnel.so instead.\n"
    "  'u' (or SIGUSR1) unplugs and plugs it again, 'q' (or SIGINT, SIGTERM, SIGHUP) ends it.\n"
    "  --usb     a USB device instead, on a free USB device controller (dummy_hcd) as a\n"
    "            configfs gadget, reached through usbhid; removed again at the end\n"
    "  --socket  the socket at once: $XDG_RUNTIME_DIR/varnel-virtual-board, listed by\n"
    "            libVarnel.so after the real HID devices, for this user's programs only\n"
    "  --json    one JSON line per report and per plug change instead of the live rows, each\n"
    "            with \"ms\": milliseconds since the board was made\n"
    "  --exercise N  the practice coach for exercise N (1 to 10): judges the session as it\n"
    "            comes, as station-check does, and shows beside the rows the reference's rows,\n"
    "            the six rules (held, BROKEN, not yet) and the first break in plain words; at\n"
    "            the end station-check's verdict (on standard error with --json)\n"
    "  --coach   the coach for the exercise that the session's steps show\n"
    "  --picture FILE  with the coach, draws the session at the end as station-check does\n"
    "            (.svg or .png)\n");

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

// The rows a line takes on a terminal of the given width.
std::size_t TerminalRows(const std::string& line, std::size_t columns) {
  const std::size_t width = station_check::Columns(line);
  return width <= columns || columns == 0 ? 1 : (width + columns - 1) / columns;
}

// The board's line and the coach's under it: drawn again in place on a terminal; elsewhere
// (a pipe, a file) written as one line whenever it changes.
class CoachDisplay {
 public:
  explicit CoachDisplay(std::FILE* out) : out_(out), in_place_(isatty(fileno(out))) {}

  void Draw(std::vector<std::string> lines) {
    if (!in_place_) {
      if (lines == last_) return;
      std::string joined;
      for (const std::string& line : lines) joined += (joined.empty() ? "" : " | ") + line;
      std::fprintf(out_, "%s\n", joined.c_str());
    } else {
      // A long line wraps: the cursor goes up by the rows drawn, not the lines.
      winsize size = {};
      const std::size_t columns = ioctl(fileno(out_), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
      if (drawn_ > 1) std::fprintf(out_, "\x1b[%zuA", drawn_ - 1);
      std::fprintf(out_, "\r\x1b[J");
      drawn_ = 0;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = (i > 0 ? "    " : "") + lines[i];
        std::fprintf(out_, "%s%s", line.c_str(), i + 1 < lines.size() ? "\n" : "");
        drawn_ += TerminalRows(line, columns);
      }
    }
    last_ = std::move(lines);
    std::fflush(out_);
  }
  void End() {
    if (in_place_) std::fprintf(out_, "\n");
  }
  std::FILE* out() const { return out_; }

 private:
  std::FILE* out_;
  bool in_place_;
  std::size_t drawn_ = 0;
  std::vector<std::string> last_;
};

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

// A message for the user, on standard error.
void Tell(const std::string& text) {
  std::fputs(text.c_str(), stderr);
}

// An id as the usage shows it: four hexadecimal digits.
std::string Hex(std::uint16_t id) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", id);
  return text;
}

// "plugged in" or "unplugged", as wide as the other, so that either overwrites the other in place.
std::string PlugState(bool plugged) {
  const std::string in = Tr("plugged in"), out = Tr("unplugged");
  std::string state = plugged ? in : out;
  const std::size_t width = std::max(station_check::Columns(in), station_check::Columns(out));
  return state.append(width - station_check::Columns(state), ' ');
}

void Event(const Options& options, std::int64_t ms, const char* what) {
  if (!options.json) return;
  std::printf("%s\n", virtual_board::JsonEvent(ms, what).c_str());
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
    Tell(Tr("virtual-board: {1}; nor can the board go to a socket: {2}\n", uhid->error(),
            socket->error()));
    return nullptr;
  }
  Tell(Tr("virtual-board: {1}\n", uhid->error()));
  Tell(
      Tr("virtual-board: the board goes to this user's programs on libVarnel.so through "
         "{1} instead\n",
         socket->path()));
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

// The practice coach of a session and where it shows: beside the rows, or on standard error
// when standard output carries the JSON lines.
struct Coaching {
  explicit Coaching(const Options& options)
      : frames(options.picture.empty() ? nullptr
                                       : std::make_unique<station_check::Frames>(std::tmpfile())),
        coach(options.exercise, frames.get()),
        display(options.json ? stderr : stdout) {}

  std::unique_ptr<station_check::Frames> frames;
  Coach coach;
  CoachDisplay display;
};

// The board on the host's bus: its rows, and whether the host has it.
class Session {
 public:
  Session(const Options& options, BoardDevice& device) : options_(options), device_(device) {
    if (options.coach) coaching_ = std::make_unique<Coaching>(options);
  }

  bool PlugIn() { return device_.Create(options_.identity); }
  // The file to poll, anew after every replug: the USB board opens its endpoint again.
  int device_fd() const { return device_.fd(); }

  // "plugged" once the host has taken the board in, not when it is plugged in: a program
  // cannot reach the board before.
  void FollowHost() {
    if (device_.in_use() != plugged_) {
      plugged_ = !plugged_;
      const std::int64_t ms = since_made_.ms();
      Event(options_, ms, plugged_ ? "plugged" : "unplugged");
      ++lines_;
      if (coaching_) coaching_->coach.Plug(ms * 1000, plugged_);
    }
    Show();
  }

  // Answers the host's request; false when the device's file failed.
  bool AnswerHost() {
    const bool alive = device_.Handle([&](const virtual_board::SetReport& request) {
      board_.Apply(request.data);
      const std::int64_t ms = since_made_.ms();
      if (options_.json) {
        std::printf("%s\n", board_.JsonLine(ms, request.number, request.data).c_str());
        std::fflush(stdout);
      }
      ++lines_;
      if (coaching_) coaching_->coach.Report(ms * 1000, request.data, lines_);
      Show();
    });
    if (alive) FollowHost();
    return alive;
  }

  void Replug() {
    if (device_.created()) {
      device_.Destroy();
    } else if (!PlugIn()) {
      Tell("\n" + Tr("virtual-board: plugging in again failed: {1}\n", device_.error()));
    }
    FollowHost();
  }

  // The coach's verdict and picture; false when the picture could not be written.
  bool Finish();

 private:
  void Show() {
    const std::string line =
        virtual_board::Rows(board_.green(), board_.red()) + "   " + PlugState(plugged_) + "  ";
    if (coaching_) {
      std::vector<std::string> lines = virtual_board::CoachLines(coaching_->coach.view());
      lines.insert(lines.begin(), line);
      return coaching_->display.Draw(std::move(lines));
    }
    if (options_.json) return;
    std::printf("\r%s", line.c_str());
    std::fflush(stdout);
  }

  const Options& options_;
  BoardDevice& device_;
  const Stopwatch since_made_;
  BoardState board_;
  bool plugged_ = false;
  std::size_t lines_ = 0;  // the JSON lines so far, which the coach's verdict names
  std::unique_ptr<Coaching> coaching_;
};

bool Session::Finish() {
  if (!coaching_) {
    if (!options_.json) std::printf("\n");
    return true;
  }
  coaching_->display.End();
  const station_check::Verdict verdict = coaching_->coach.Finish();
  std::FILE* out = coaching_->display.out();
  std::fprintf(out, "%s", station_check::Describe(verdict).c_str());
  std::fflush(out);
  if (!coaching_->frames) return true;
  const std::string& name = options_.picture;
  std::ofstream file(name, std::ios::binary);
  const bool drawn = name.ends_with(".svg")
                         ? station_check::WritePictureSvg(verdict, *coaching_->frames, file)
                         : station_check::WritePicturePng(verdict, *coaching_->frames, file);
  if (drawn && file.flush()) return true;
  Tell(Tr("virtual-board: cannot write {1}\n", name));
  return false;
}

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
    const std::string usage =
        Tr(kUsage, Hex(orlanek::board::kVendorId), Hex(orlanek::board::kProductId));
    std::fputs(usage.c_str(), stdout);
    return 0;
  }
  if (!virtual_board::ParseOptions(argc, argv, &options)) {
    Tell(Tr("virtual-board: bad arguments (try virtual-board --help)\n"));
    return 2;
  }
  const std::unique_ptr<BoardDevice> device = MakeDevice(options);
  if (!device) return 1;
  if (!device->ok()) {
    Tell(Tr("virtual-board: {1}\n", device->error()));
    return 1;
  }
  const int signal_fd = SignalFile();
  Session session(options, *device);
  if (!session.PlugIn()) {
    Tell(Tr("virtual-board: {1}\n", device->error()));
    return 1;
  }
  KeyMode keys;
  session.FollowHost();
  Serve(session, signal_fd, keys);
  return session.Finish() ? 0 : 1;
}
