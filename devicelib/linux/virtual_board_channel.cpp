#include "linux/virtual_board_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace varnel::virtual_board_channel {

bool SocketAddress(sockaddr_un* address) {
  const char* folder = std::getenv("XDG_RUNTIME_DIR");
  if (folder == nullptr || folder[0] != '/') return false;
  *address = {};
  address->sun_family = AF_UNIX;
  const int length =
      std::snprintf(address->sun_path, sizeof address->sun_path, "%s/%s", folder, kSocketName);
  return length > 0 && static_cast<std::size_t>(length) < sizeof address->sun_path;
}

bool IsOwnSocket(const char* path) {
  struct stat status = {};
  return lstat(path, &status) == 0 && S_ISSOCK(status.st_mode) && status.st_uid == geteuid() &&
         (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool PeerIsThisUser(int socket) {
  ucred peer = {};
  socklen_t size = sizeof peer;
  return getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
         peer.uid == geteuid();
}

}  // namespace varnel::virtual_board_channel
