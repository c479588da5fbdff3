#include "socket_device.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "linux/virtual_board_channel.h"

namespace virtual_board {
namespace {

namespace channel = varnel::virtual_board_channel;

// Programs that may wait for the board while another holds it.
constexpr int kQueue = 8;

}  // namespace

SocketDevice::SocketDevice() {
  found_ = channel::SocketAddress(&address_);
  if (!found_) {
    error_ =
        "no folder for the board's socket: XDG_RUNTIME_DIR is unset, not an absolute path or "
        "too long; log in to a desktop session, or give it a folder of your own, e.g. "
        "export XDG_RUNTIME_DIR=$(mktemp -d)";
  }
}

SocketDevice::~SocketDevice() {
  Destroy();
}

bool SocketDevice::Create(const DeviceIdentity& identity) {
  if (!found_) return false;
  greeting_.vendor_id = identity.vendor;
  greeting_.product_id = identity.product;
  greeting_.feature_report_length = static_cast<std::uint16_t>(identity.feature_bytes + 1);
  report_.assign(greeting_.feature_report_length, 0);
  if (!ClearPlace()) return false;
  listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  // Nobody but this user may open the socket.
  const mode_t mask = umask(S_IRWXG | S_IRWXO);
  const bool bound = listener_ >= 0 && bind(listener_, reinterpret_cast<const sockaddr*>(&address_),
                                            sizeof address_) == 0;
  umask(mask);
  if (bound && listen(listener_, kQueue) == 0) return true;
  const bool failed =
      Fail(std::string("cannot make the board's socket ") + path() + ": " + std::strerror(errno));
  if (listener_ >= 0) close(listener_);
  listener_ = -1;
  if (bound) unlink(path());
  return failed;
}

// A socket of this user's that nobody answers is what a killed board left behind; anything
// else in the socket's place is not the board's to remove.
bool SocketDevice::ClearPlace() {
  struct stat status = {};
  if (lstat(path(), &status) != 0) return true;
  if (!channel::IsOwnSocket(path())) {
    return Fail(std::string(path()) + " is in the way (not a socket of this user's): remove it");
  }
  // A board whose queue is full is there too.
  const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  const bool answered = probe >= 0 && (connect(probe, reinterpret_cast<const sockaddr*>(&address_),
                                               sizeof address_) == 0 ||
                                       errno == EAGAIN);
  if (probe >= 0) close(probe);
  if (answered) return Fail("another virtual board is running in this session");
  unlink(path());
  return true;
}

bool SocketDevice::Fail(const std::string& what) {
  error_ = what;
  return false;
}

void SocketDevice::Destroy() {
  if (listener_ < 0) return;
  DropProgram();
  unlink(path());
  close(listener_);
  listener_ = -1;
}

bool SocketDevice::Handle(const std::function<void(const SetReport&)>& received) {
  if (program_ < 0) return TakeProgram();
  TakeReport(received);
  return true;
}

// Greets the next program of this user's; false only when the socket itself failed.
bool SocketDevice::TakeProgram() {
  const int program = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (program < 0) return errno == EAGAIN || errno == EINTR || errno == ECONNABORTED;
  const bool greeted =
      channel::PeerIsThisUser(program) &&
      send(program, &greeting_, sizeof greeting_, MSG_NOSIGNAL) == sizeof greeting_;
  if (greeted) {
    program_ = program;
    filled_ = 0;
  } else {
    close(program);
  }
  return true;
}

void SocketDevice::TakeReport(const std::function<void(const SetReport&)>& received) {
  const ssize_t got = recv(program_, report_.data() + filled_, report_.size() - filled_, 0);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  // The program closed the board (or went): the next one is served.
  if (got <= 0) return DropProgram();
  filled_ += static_cast<std::size_t>(got);
  if (filled_ < report_.size()) return;
  filled_ = 0;
  SetReport request;
  request.data = report_;
  received(request);
  const std::uint8_t answer = channel::kAccepted;
  if (send(program_, &answer, sizeof answer, MSG_NOSIGNAL) != sizeof answer) DropProgram();
}

void SocketDevice::DropProgram() {
  if (program_ >= 0) close(program_);
  program_ = -1;
}

}  // namespace virtual_board
