#pragma once

#include <sys/un.h>

#include "virtual_board/channel.h"

// The channel on Linux: virtual-board offers the board to libVarnel.so through a Unix-domain
// socket in the user's session folder, $XDG_RUNTIME_DIR/varnel-virtual-board, which nobody but
// the user may open: one board a session, gone with the session's folder. Without
// XDG_RUNTIME_DIR (or with one that is not an absolute path, or too long for a socket's
// address) there is no virtual board. Each end makes sure that the other is this user's: the
// library opens only a socket of this user's, and each end talks only to a peer that runs as
// this user.
namespace varnel::virtual_board_channel {

inline constexpr char kSocketName[] = "varnel-virtual-board";

// This user's board socket's address; false when there is none to be had.
bool SocketAddress(sockaddr_un* address);
// Whether the file at path is a socket of this user's that nobody else may open.
bool IsOwnSocket(const char* path);
// Whether the process at the other end of a connected socket runs as this user.
bool PeerIsThisUser(int socket);

}  // namespace varnel::virtual_board_channel
