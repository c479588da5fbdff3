// The production library's hidraw layer against virtual boards on a real kernel. Runs inside
// the virtual machine (as root), with VIRTUAL_BOARD naming the virtual-board program.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "varnel.h"
#include "virtual_boards.h"

namespace {

using vm_checks::Board;
using vm_checks::OpenFiles;

std::string Take(char* text) {
  std::string copy = text ? text : "";
  std::free(text);
  return copy;
}

std::string IdText(std::int32_t index) {
  return Take(FindVidPid(&index));
}

constexpr std::int16_t kVendor = 0x1234;
constexpr std::int16_t kProduct = 0x6789;

TEST(HidrawLibrary, WithoutABoardNothingIsFound) {
  EXPECT_EQ(Take(FindHidDevice()), "0");
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), 0);
  CloseUsbDevice();
}

TEST(HidrawLibrary, TheBoardIsCountedIdentifiedOpenedAndWritten) {
  Board board;
  EXPECT_EQ(Take(FindHidDevice()), "1");
  EXPECT_EQ(IdText(0), "12346789");
  EXPECT_EQ(IdText(1), "");
  ASSERT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  OutDataCtrl(0xFF, 0x00);
  OutDataCtrl(0x5A, 0x20);
  OutDataCtrl(0x5A, 0x30);
  OutDataCtrl(0x5A, 0x20);
  CloseUsbDevice();
  const auto reports = board.Reports(4);
  ASSERT_EQ(reports.size(), 4u);
  EXPECT_EQ(reports[0],
            R"({"report":[0,255,0,0,0,0,0,0,0],"length":9,"number":0,"green":255,"red":0})");
  EXPECT_EQ(reports[2],
            R"({"report":[0,90,48,0,0,0,0,0,0],"length":9,"number":0,"green":255,"red":90})");
  EXPECT_EQ(reports[3],
            R"({"report":[0,90,32,0,0,0,0,0,0],"length":9,"number":0,"green":255,"red":90})");
}

TEST(HidrawLibrary, UnplugAndReplugAreSeenAtTheNextOpen) {
  Board board;
  ASSERT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  CloseUsbDevice();
  board.Toggle(0);
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), 0);
  CloseUsbDevice();
  board.Toggle(1);
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  CloseUsbDevice();
}

TEST(HidrawLibrary, TheLowerOfTwoBoardsWinsAndOtherIdsDoNotMatch) {
  Board other({"--product", "6788"});
  Board vendor_only({"--vendor", "1234", "--product", "0001"});
  Board first;
  Board second;
  EXPECT_EQ(IdText(0), "12346788");
  EXPECT_EQ(IdText(1), "12340001");
  ASSERT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  OutDataCtrl(1, 0);
  CloseUsbDevice();
  EXPECT_EQ(first.Reports(1).size(), 1u);
  EXPECT_EQ(second.Reports().size(), 0u);
  EXPECT_TRUE(other.Reports().empty());
  EXPECT_TRUE(vendor_only.Reports().empty());
}

TEST(HidrawLibrary, ALongerFeatureReportIsSentWholeFromZeros) {
  Board board({"--feature-bytes", "16"});
  ASSERT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  OutDataCtrl(7, 0);
  CloseUsbDevice();
  const auto reports = board.Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find(R"("report":[0,7,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0],"length":17)"),
            std::string::npos)
      << reports[0];
}

TEST(HidrawLibrary, ANodeThisUserMayNotOpenIsNoMatch) {
  Board board;
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    const bool seen = IdText(0) == "12346789";
    const bool opened = OpenUsbDevice(kVendor, kProduct) == -1;
    CloseUsbDevice();
    _exit(seen && !opened ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(HidrawLibrary, AThousandCyclesLeaveNoFileOpen) {
  Board board;
  const int before = OpenFiles();
  for (int i = 0; i < 1000; ++i) {
    if (OpenUsbDevice(kVendor, kProduct) == -1) OutDataCtrl(static_cast<std::uint8_t>(i), 0);
    if (i % 10 != 0) CloseUsbDevice();
  }
  CloseUsbDevice();
  EXPECT_EQ(OpenFiles(), before);
  EXPECT_EQ(board.Reports().size(), 1000u);
}

}  // namespace
