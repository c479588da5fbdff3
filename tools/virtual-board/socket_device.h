#pragma once

#include <sys/un.h>

#include <cstddef>
#include <string>
#include <vector>

#include "board_device.h"
#include "virtual_board/channel.h"

// The board offered to this user's programs on libVarnel.so through the virtual board's socket
// in the session's folder (devicelib/linux/virtual_board_channel.h), where no HID device may be
// made: no root, no /dev/uhid. The library lists it after the real HID interfaces. As a real
// board's node, it may be open several times at once (a program that holds it may open it
// again): every open is served, each report taken whole.
namespace virtual_board {

class SocketDevice : public BoardDevice {
 public:
  // Finds the session's folder; on failure error() says why and what to do.
  SocketDevice();
  // Removes the socket.
  ~SocketDevice() override;
  SocketDevice(const SocketDevice&) = delete;
  SocketDevice& operator=(const SocketDevice&) = delete;

  bool ok() const override { return found_ && events_ >= 0; }
  const std::string& error() const override { return error_; }
  // Ready when a program comes or one of those served sends.
  int fd() const override { return events_; }

  // Makes the socket, in the place of one that a board killed before its end left behind.
  bool Create(const DeviceIdentity& identity) override;
  // Removes the socket; the programs that hold the board find it gone.
  void Destroy() override;
  bool created() const override { return listener_ >= 0; }

  // Takes a program in, or a report, answered once received has it, so that whatever received
  // records is done by the time the sender's call returns.
  bool Handle(const std::function<void(const SetReport&)>& received) override;

  const char* path() const { return address_.sun_path; }

 private:
  // An open of the board: its socket and the report coming in, filled bytes of it so far.
  struct Program {
    int fd;
    std::vector<std::uint8_t> report;
    std::size_t filled = 0;
  };

  bool ClearPlace();
  bool Fail(const std::string& what);
  bool TakeProgram();
  void TakeReport(Program& program, const std::function<void(const SetReport&)>& received);
  void Drop(int fd);

  sockaddr_un address_ = {};
  bool found_ = false;
  int events_ = -1;  // epoll: the listener and every program's socket
  int listener_ = -1;
  std::vector<Program> programs_;
  varnel::virtual_board_channel::Greeting greeting_ = varnel::virtual_board_channel::kBoard;
  std::string error_;
};

}  // namespace virtual_board
