#pragma once

#include <sys/un.h>

#include <cstddef>
#include <string>
#include <vector>

#include "board_device.h"
#include "virtual_board/channel.h"

// The board offered to this user's programs on libVarnel.so through the virtual board's socket
// in the session's folder (devicelib/linux/virtual_board_channel.h), where no HID device may be
// made: no root, no /dev/uhid. The library lists it after the real HID interfaces. One program
// holds it at a time, from its open to its close; the next waits in the socket's queue.
namespace virtual_board {

class SocketDevice : public BoardDevice {
 public:
  // Finds the session's folder; on failure error() says why and what to do.
  SocketDevice();
  // Removes the socket.
  ~SocketDevice() override;
  SocketDevice(const SocketDevice&) = delete;
  SocketDevice& operator=(const SocketDevice&) = delete;

  bool ok() const override { return found_; }
  const std::string& error() const override { return error_; }
  // The program that holds the board, or the socket that takes the next one in.
  int fd() const override { return program_ >= 0 ? program_ : listener_; }

  // Makes the socket, in the place of one that a board killed before its end left behind.
  bool Create(const DeviceIdentity& identity) override;
  // Removes the socket; the program that holds the board finds it gone.
  void Destroy() override;
  bool created() const override { return listener_ >= 0; }

  // Takes the next program in, or the report of the one that holds the board, answered once
  // received has it, so that whatever received records is done by the time the sender's call
  // returns.
  bool Handle(const std::function<void(const SetReport&)>& received) override;

  const char* path() const { return address_.sun_path; }

 private:
  bool ClearPlace();
  bool Fail(const std::string& what);
  bool TakeProgram();
  void TakeReport(const std::function<void(const SetReport&)>& received);
  void DropProgram();

  sockaddr_un address_ = {};
  bool found_ = false;
  int listener_ = -1;
  int program_ = -1;
  varnel::virtual_board_channel::Greeting greeting_ = varnel::virtual_board_channel::kBoard;
  std::vector<std::uint8_t> report_;  // the report coming in, filled_ bytes of it so far
  std::size_t filled_ = 0;
  std::string error_;
};

}  // namespace virtual_board
