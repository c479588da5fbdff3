#pragma once

#include <cstdint>
#include <memory>
#include <string>

// What the library needs of a platform's virtual-board channel (channel.h), for the platform
// interface that lists the board after the system's interfaces (joined_platform.cpp). Each
// platform gives it once: win32/virtual_board_pipe.cpp, linux/virtual_board_socket.cpp.
namespace varnel::virtual_board_channel {

// An open channel to the board, closed when it goes.
class Link {
 public:
  virtual ~Link() = default;
  // Move all size bytes, waiting at most kAnswerMs for each part; false when the board did not
  // take or give them in time, or is gone.
  virtual bool Read(void* bytes, std::uint32_t size) = 0;
  virtual bool Write(const void* bytes, std::uint32_t size) = 0;
};

// Whether a virtual board is offered to this program: one quick look, made for every set.
bool Offered();
// The device path the board is listed with.
const std::string& DevicePath();
// Opens the channel; null when the board cannot be reached, or is not this user's.
std::unique_ptr<Link> Connect();

}  // namespace varnel::virtual_board_channel
