// libVarnel.so as it ships against the very board virtual-board serves on this user's socket,
// in a session folder of the test's own; the board is served on a thread of its own.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "board_protocol.h"
#include "linux/virtual_board_channel.h"
#include "socket_device.h"
#include "varnel.h"

namespace {

namespace board = orlanek::board;
namespace channel = varnel::virtual_board_channel;
using Report = std::vector<std::uint8_t>;

std::string Take(char* text) {
  std::string copy = text ? text : "";
  std::free(text);
  return copy;
}

// The member index after the system's interfaces, where the virtual board is listed.
std::int32_t LastIndex() {
  return std::atoi(Take(FindHidDevice()).c_str()) - 1;
}

// A report as the library sends it to the board.
Report Sent(std::uint8_t data, std::uint8_t control) {
  Report report(channel::kBoard.feature_report_length, 0);
  report[board::kDataAt] = data;
  report[board::kControlAt] = control;
  return report;
}

std::int16_t OpenAt(std::int32_t index) {
  const std::int16_t vendor = board::kVendorId, product = board::kProductId;
  return OpenDevice(&index, &vendor, &product);
}

class SocketBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/varnel-socket-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    setenv("XDG_RUNTIME_DIR", folder, 1);
    // A board that goes away must fail a report, not end the program with SIGPIPE.
    signal(SIGPIPE, SIG_DFL);
    board_ = std::make_unique<virtual_board::SocketDevice>();
  }
  void TearDown() override {
    Stop();
    board_.reset();
    CloseUsbDevice();
    unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(folder_);
  }

  // Plugs the board in and serves it until Stop.
  void Serve() {
    ASSERT_TRUE(board_->Create({})) << board_->error();
    serving_ = true;
    server_ = std::thread([this] {
      while (serving_) {
        pollfd wanted = {board_->fd(), POLLIN, 0};
        if (poll(&wanted, 1, 10) == 1 && !board_->Handle([this](const auto& request) {
              const std::lock_guard<std::mutex> lock(mutex_);
              reports_.push_back(request.data);
            })) {
          return;
        }
      }
    });
  }
  void Stop() {
    serving_ = false;
    if (server_.joinable()) server_.join();
  }
  std::vector<Report> Reports() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
  }
  // A program of the test's own on the board's socket, blocking for at most a few seconds.
  int Connect() {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const timeval limit = {5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_un address;
    channel::SocketAddress(&address);
    EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
  }

  std::string folder_;
  std::unique_ptr<virtual_board::SocketDevice> board_;
  std::thread server_;
  std::atomic<bool> serving_ = false;
  std::mutex mutex_;
  std::vector<Report> reports_;
};

TEST_F(SocketBoardTest, ListedAfterTheSystemsInterfacesOnlyThisUserMayOpenAndDrivenAsTheBoard) {
  const std::int32_t without = LastIndex();
  Serve();
  struct stat status = {};
  ASSERT_EQ(stat(board_->path(), &status), 0);
  EXPECT_EQ(status.st_mode & (S_IRWXG | S_IRWXO), 0u) << "others may open the board's socket";
  const std::int32_t index = LastIndex();
  ASSERT_EQ(index, without + 1);
  EXPECT_EQ(Take(FindVidPid(&index)), board::kIdText);
  ASSERT_EQ(OpenAt(index), board::kPresent);
  OutDataCtrl(0x5A, board::kRedStrobe);
  CloseUsbDevice();
  EXPECT_EQ(Reports(), std::vector<Report>{Sent(0x5A, board::kRedStrobe)});
}

TEST_F(SocketBoardTest, ABoardPulledOutWhileOpenFailsItsReportsAndIsNoLongerListed) {
  Serve();
  const std::int32_t index = LastIndex();
  ASSERT_EQ(OpenAt(index), board::kPresent);
  Stop();
  board_->Destroy();
  for (int i = 0; i < 7; ++i) OutDataCtrl(1, board::kGreenWrite);
  CloseUsbDevice();
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(LastIndex(), index - 1);
}

TEST_F(SocketBoardTest, ABoardThatDoesNotAnswerOrThatOthersMayOpenIsNotUsed) {
  ASSERT_TRUE(board_->Create({})) << board_->error();
  const std::int32_t index = LastIndex();
  EXPECT_EQ(OpenAt(index), 0) << "a board that never greeted was opened";
  ASSERT_EQ(chmod(board_->path(), 0666), 0);
  EXPECT_EQ(LastIndex(), index - 1) << "a socket that others may open was listed";
}

TEST_F(SocketBoardTest, EveryOpenIsServedAndEachReportTakenWhole) {
  Serve();
  const int program = Connect();
  channel::Greeting greeting = {};
  ASSERT_EQ(recv(program, &greeting, sizeof greeting, MSG_WAITALL), sizeof greeting);
  EXPECT_EQ(greeting.feature_report_length, channel::kBoard.feature_report_length);
  const Report report = Sent(3, board::kGreenWrite);
  send(program, report.data(), 4, 0);
  // While one open holds the board with half a report sent, another opens it and writes, as a
  // program does after its run window's close box.
  ASSERT_EQ(OpenAt(LastIndex()), board::kPresent) << "a board held open was not opened again";
  OutDataCtrl(0x5A, board::kRedStrobe);
  CloseUsbDevice();
  send(program, report.data() + 4, report.size() - 4, 0);
  std::uint8_t answer = 0;
  EXPECT_EQ(recv(program, &answer, 1, 0), 1);
  EXPECT_EQ(answer, channel::kAccepted);
  close(program);
  EXPECT_EQ(Reports(), (std::vector<Report>{Sent(0x5A, board::kRedStrobe), report}));
}

TEST_F(SocketBoardTest, ASecondBoardIsRefusedAndAKilledBoardsSocketTakenOver) {
  ASSERT_TRUE(board_->Create({})) << board_->error();
  virtual_board::SocketDevice second;
  EXPECT_FALSE(second.Create({}));
  EXPECT_NE(second.error().find("another virtual board"), std::string::npos) << second.error();
  board_->Destroy();
  // What a board killed before its end leaves: its socket, which nobody answers.
  const int killed = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address;
  channel::SocketAddress(&address);
  const mode_t mask = umask(S_IRWXG | S_IRWXO);
  ASSERT_EQ(bind(killed, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  umask(mask);
  close(killed);
  EXPECT_TRUE(second.Create({})) << second.error();
}

}  // namespace
