// The virtual board's channel on Linux, as libVarnel.so reaches it: virtual-board's socket in
// this user's session folder (virtual_board_channel.h). While no virtual board runs, the look
// for it is one lstat, which fails at once.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "linux/virtual_board_channel.h"
#include "virtual_board/board_link.h"

namespace varnel::virtual_board_channel {
namespace {

// The board's socket, non-blocking, so that a board that does not answer cannot hold the
// program; a board that went away cannot end it with SIGPIPE either.
class SocketLink : public Link {
 public:
  explicit SocketLink(int fd) : fd_(fd) {}
  SocketLink(const SocketLink&) = delete;
  SocketLink& operator=(const SocketLink&) = delete;
  ~SocketLink() override { close(fd_); }

  bool Read(void* bytes, std::uint32_t size) override {
    auto* at = static_cast<char*>(bytes);
    for (std::uint32_t done = 0; done < size;) {
      const ssize_t got = Ready(POLLIN) ? recv(fd_, at + done, size - done, 0) : -1;
      if (got <= 0) return false;
      done += static_cast<std::uint32_t>(got);
    }
    return true;
  }

  bool Write(const void* bytes, std::uint32_t size) override {
    const auto* at = static_cast<const char*>(bytes);
    for (std::uint32_t done = 0; done < size;) {
      const ssize_t sent = Ready(POLLOUT) ? send(fd_, at + done, size - done, MSG_NOSIGNAL) : -1;
      if (sent <= 0) return false;
      done += static_cast<std::uint32_t>(sent);
    }
    return true;
  }

 private:
  // Waits up to kAnswerMs for the socket to be ready for event.
  bool Ready(short event) const {
    pollfd wanted = {fd_, event, 0};
    int ready = 0;
    do {
      ready = poll(&wanted, 1, kAnswerMs);
    } while (ready < 0 && errno == EINTR);
    return ready == 1 && (wanted.revents & event) != 0;
  }

  int fd_;
};

}  // namespace

bool Offered() {
  sockaddr_un address;
  return SocketAddress(&address) && IsOwnSocket(address.sun_path);
}

const std::string& DevicePath() {
  static const std::string path = std::string(kSocketName) + "?" + IdsInPath();
  return path;
}

std::unique_ptr<Link> Connect() {
  sockaddr_un address;
  if (!SocketAddress(&address) || !IsOwnSocket(address.sun_path)) return nullptr;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return nullptr;
  auto link = std::make_unique<SocketLink>(fd);
  // The file may have been replaced since it was looked at: the peer itself must be this
  // user's. A board whose queue is full is busy for this open.
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      !PeerIsThisUser(fd)) {
    return nullptr;
  }
  return link;
}

}  // namespace varnel::virtual_board_channel
