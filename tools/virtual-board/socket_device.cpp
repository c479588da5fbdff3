#include "socket_device.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "linux/virtual_board_channel.h"
#include "messages.h"

namespace virtual_board {
namespace {

namespace channel = varnel::virtual_board_channel;
using messages::Tr;

// Opens that may wait to be taken in.
constexpr int kQueue = 8;

bool Watch(int events, int fd) {
  epoll_event event = {};
  event.events = EPOLLIN;
  event.data.fd = fd;
  return epoll_ctl(events, EPOLL_CTL_ADD, fd, &event) == 0;
}

}  // namespace

SocketDevice::SocketDevice() {
  found_ = channel::SocketAddress(&address_);
  events_ = epoll_create1(EPOLL_CLOEXEC);
  if (events_ < 0) error_ = Tr("cannot watch sockets: {1}", std::strerror(errno));
  if (!found_) {
    error_ =
        Tr("no folder for the board's socket: XDG_RUNTIME_DIR is unset, not an absolute path or "
           "too long; log in to a desktop session, or give it a folder of your own, e.g. "
           "export XDG_RUNTIME_DIR=$(mktemp -d)");
  }
}

SocketDevice::~SocketDevice() {
  Destroy();
  if (events_ >= 0) close(events_);
}

bool SocketDevice::Create(const DeviceIdentity& identity) {
  if (!ok()) return false;
  greeting_.vendor_id = identity.vendor;
  greeting_.product_id = identity.product;
  greeting_.feature_report_length = static_cast<std::uint16_t>(identity.feature_bytes + 1);
  if (!ClearPlace()) return false;
  listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  // Nobody but this user may open the socket.
  const mode_t mask = umask(S_IRWXG | S_IRWXO);
  const bool bound = listener_ >= 0 && bind(listener_, reinterpret_cast<const sockaddr*>(&address_),
                                            sizeof address_) == 0;
  umask(mask);
  if (bound && listen(listener_, kQueue) == 0 && Watch(events_, listener_)) return true;
  const bool failed =
      Fail(Tr("cannot make the board's socket {1}: {2}", path(), std::strerror(errno)));
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
    return Fail(Tr("{1} is in the way (not a socket of this user's): remove it", path()));
  }
  // A board whose queue is full is there too.
  const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  const bool answered = probe >= 0 && (connect(probe, reinterpret_cast<const sockaddr*>(&address_),
                                               sizeof address_) == 0 ||
                                       errno == EAGAIN);
  if (probe >= 0) close(probe);
  if (answered) return Fail(Tr("another virtual board is running in this session"));
  unlink(path());
  return true;
}

bool SocketDevice::Fail(const std::string& what) {
  error_ = what;
  return false;
}

void SocketDevice::Destroy() {
  if (listener_ < 0) return;
  while (!programs_.empty()) Drop(programs_.back().fd);
  unlink(path());
  close(listener_);
  listener_ = -1;
}

bool SocketDevice::Handle(const std::function<void(const SetReport&)>& received) {
  epoll_event event = {};
  if (epoll_wait(events_, &event, 1, 0) != 1) return true;
  if (event.data.fd == listener_) return TakeProgram();
  const auto program = std::find_if(programs_.begin(), programs_.end(),
                                    [&](const Program& p) { return p.fd == event.data.fd; });
  if (program != programs_.end()) TakeReport(*program, received);
  return true;
}

// Greets a program of this user's; false only when the socket itself failed.
bool SocketDevice::TakeProgram() {
  const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return errno == EAGAIN || errno == EINTR || errno == ECONNABORTED;
  const bool greeted = channel::PeerIsThisUser(fd) &&
                       send(fd, &greeting_, sizeof greeting_, MSG_NOSIGNAL) == sizeof greeting_;
  if (greeted && Watch(events_, fd)) {
    programs_.push_back({fd, std::vector<std::uint8_t>(greeting_.feature_report_length)});
  } else {
    close(fd);
  }
  return true;
}

void SocketDevice::TakeReport(Program& program,
                              const std::function<void(const SetReport&)>& received) {
  std::vector<std::uint8_t>& report = program.report;
  const ssize_t got =
      recv(program.fd, report.data() + program.filled, report.size() - program.filled, 0);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  // The program closed the board (or went).
  if (got <= 0) return Drop(program.fd);
  program.filled += static_cast<std::size_t>(got);
  if (program.filled < report.size()) return;
  program.filled = 0;
  SetReport request;
  request.data = report;
  received(request);
  const std::uint8_t answer = channel::kAccepted;
  if (send(program.fd, &answer, sizeof answer, MSG_NOSIGNAL) != sizeof answer) Drop(program.fd);
}

void SocketDevice::Drop(int fd) {
  epoll_ctl(events_, EPOLL_CTL_DEL, fd, nullptr);
  close(fd);
  std::erase_if(programs_, [fd](const Program& program) { return program.fd == fd; });
}

}  // namespace virtual_board
