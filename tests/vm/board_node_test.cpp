// The virtual board as the kernel presents it, seen through its hidraw node with the raw
// ioctls alone: what any HID program, not only this library, meets. Runs inside the virtual
// machine (as root), with VIRTUAL_BOARD naming the virtual-board program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "virtual_boards.h"

namespace {

using vm_checks::Board;
using vm_checks::NodeOf;

class Node {
 public:
  explicit Node(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_CLOEXEC)) {}
  ~Node() {
    if (fd_ >= 0) close(fd_);
  }
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  int fd() const { return fd_; }

  int SetFeature(std::vector<std::uint8_t> report) {
    return ioctl(fd_, HIDIOCSFEATURE(report.size()), report.data());
  }
  // Asks for report number `number`; the bytes come back in place, number first.
  int GetFeature(std::uint8_t number, std::vector<std::uint8_t>* report) {
    report->at(0) = number;
    return ioctl(fd_, HIDIOCGFEATURE(report->size()), report->data());
  }

 private:
  int fd_;
};

constexpr char kBoardId[] = "0003:00001234:00006789";

TEST(BoardNode, ReportsItsIdsOnTheUsbBus) {
  Board board;
  const std::string path = NodeOf(kBoardId);
  ASSERT_FALSE(path.empty());
  Node node(path);
  ASSERT_GE(node.fd(), 0);
  hidraw_devinfo info = {};
  ASSERT_EQ(ioctl(node.fd(), HIDIOCGRAWINFO, &info), 0);
  EXPECT_EQ(info.bustype, BUS_USB);
  EXPECT_EQ(static_cast<std::uint16_t>(info.vendor), 0x1234);
  EXPECT_EQ(static_cast<std::uint16_t>(info.product), 0x6789);
}

TEST(BoardNode, AFeatureReportSetArrivesWithItsIdByteAndReadsBack) {
  Board board;
  Node node(NodeOf(kBoardId));
  std::vector<std::uint8_t> read_back(9, 0xEE);
  ASSERT_EQ(node.GetFeature(0, &read_back), 9);
  EXPECT_EQ(read_back, std::vector<std::uint8_t>(9, 0)) << "a fresh board reads as zeros";

  EXPECT_EQ(node.SetFeature({0, 0x42, 0x20, 0, 0, 0, 0, 0, 0}), 9);
  EXPECT_EQ(node.SetFeature({0, 0x42, 0x30, 0, 0, 0, 0, 0, 7}), 9);
  const auto reports = board.Reports(2);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1],
            R"({"report":[0,66,48,0,0,0,0,0,7],"length":9,"number":0,"green":0,"red":66})");
  ASSERT_EQ(node.GetFeature(0, &read_back), 9);
  EXPECT_EQ(read_back, (std::vector<std::uint8_t>{0, 0x42, 0x30, 0, 0, 0, 0, 0, 7}));
}

TEST(BoardNode, ALongerFeatureReportReadsBackWhole) {
  Board board({"--feature-bytes", "16"});
  Node node(NodeOf(kBoardId));
  std::vector<std::uint8_t> read_back(17, 0xEE);
  EXPECT_EQ(node.GetFeature(0, &read_back), 17);
  EXPECT_EQ(read_back, std::vector<std::uint8_t>(17, 0));
}

TEST(BoardNode, AReportNumberTheBoardLacksIsRefused) {
  Board board;
  Node node(NodeOf(kBoardId));
  std::vector<std::uint8_t> read_back(9, 0);
  EXPECT_LT(node.GetFeature(1, &read_back), 0);
}

}  // namespace
