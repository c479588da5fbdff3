#include <string>
#include <vector>

#include "library_fixture.h"

namespace varnel::testing {
namespace {

using OpeningTest = LibraryTest;

constexpr std::int16_t kVendor = 0x1234;
constexpr std::int16_t kProduct = 0x6789;

// The first member index each freshly acquired set was asked for, in order.
std::vector<int> ScannedIndices() {
  std::vector<int> indices;
  bool fresh = false;
  for (const std::string& call : simbus::Calls()) {
    if (call.rfind("GetClassDevs", 0) == 0) fresh = true;
    if (fresh && call.rfind("EnumDeviceInterfaces", 0) == 0) {
      indices.push_back(std::stoi(call.substr(call.find(" index=") + 7)));
      fresh = false;
    }
  }
  return indices;
}

TEST_F(OpeningTest, TheBoardIsFoundAtItsIndexAndOnlyTheIndicesUpToItAreScanned) {
  for (int k : {0, 15, 127}) {
    simbus::Reset();
    for (int i = 0; i < k; ++i) simbus::Add(Other(i));
    simbus::Add(simbus::Board());
    for (int i = 0; i < 5; ++i) simbus::Add(Other(200 + i));
    simbus::ClearRecord();
    EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), -1) << k;
    // The count starts at 0; then one scan per index up to k; then OpenDevice from k.
    std::vector<int> expected = {0};
    for (int i = 0; i <= k; ++i) expected.push_back(i);
    expected.push_back(k);
    EXPECT_EQ(ScannedIndices(), expected) << k;
    EXPECT_EQ(CallsOf("CreateFile"), 1);
    EXPECT_EQ(simbus::LiveHandles(), 1);
    CloseUsbDevice();
    EXPECT_EQ(LiveResources(), 0);
  }
}

TEST_F(OpeningTest, TheLowerOfTwoBoardsWinsAndHalfMatchesDoNot) {
  simbus::Add(Device("\\\\?\\hid#vid_1234&pid_6788", 0x1234, 0x6788));
  simbus::Add(Device("\\\\?\\hid#vid_1235&pid_6789", 0x1235, 0x6789));
  const int first = simbus::Add(simbus::Board());
  simbus::Interface second = simbus::Board();
  second.path += "#2";
  simbus::Add(second);
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  OutDataCtrl(1, 0);
  EXPECT_EQ(simbus::ReportTargets(), std::vector<int>{first});
}

TEST_F(OpeningTest, IdsFromTheTopHalfCompareAsNegativeNumbers) {
  simbus::Add(Device("\\\\?\\hid#vid_ffff&pid_8000", 0xffff, 0x8000));
  EXPECT_EQ(OpenUsbDevice(-1, -32768), -1);
  CloseUsbDevice();
  EXPECT_EQ(Open(0, -1, -32768), -1);
}

TEST_F(OpeningTest, AVendorFieldCutShortByTheEndOfThePathReadsItsLeadingDigits) {
  // The field runs into the path's NULs: "12" and two NULs read as 0x12.
  simbus::Add(Device("\\\\?\\hid#pid_6789&vid_12", 0x12, 0x6789));
  EXPECT_EQ(OpenUsbDevice(0x12, 0x6789), -1);
  CloseUsbDevice();
  EXPECT_EQ(OpenUsbDevice(0x1200, 0x6789), 0);
}

TEST_F(OpeningTest, ZeroIdsPickAPathWithoutMarkersButNeedTheDeviceToReportZeros) {
  simbus::Add(Other(0));
  simbus::Add(Device("\\\\?\\hid#nomarkers#1", 0x1111, 0x2222));
  EXPECT_EQ(OpenUsbDevice(0, 0), 0);
  simbus::Add(Device("\\\\?\\hid#nomarkers#2", 0, 0));
  EXPECT_EQ(OpenUsbDevice(0, 0), -1);
}

TEST_F(OpeningTest, OpenDeviceWalksOnPastRefusedAndForeignInterfaces) {
  simbus::Interface refused = simbus::Board();
  refused.open_refused = true;
  simbus::Interface unreadable = simbus::Board();
  unreadable.path += "#u";
  unreadable.attributes_unreadable = true;
  simbus::Interface renamed = simbus::Board();  // the path says board, the device does not
  renamed.path += "#r";
  renamed.product_id = 1;
  simbus::Add(refused);
  simbus::Add(unreadable);
  simbus::Add(renamed);
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), 0);
  // Each rejected interface is closed before the next is opened.
  EXPECT_EQ(simbus::LiveHandles(), 0);
  EXPECT_EQ(Open(0, kVendor, kProduct), 0);
  OutDataCtrl(1, 0);
  EXPECT_TRUE(simbus::Reports().empty());

  simbus::Interface board = simbus::Board();
  board.path += "#ok";
  const int good = simbus::Add(board);
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  OutDataCtrl(1, 0);
  EXPECT_EQ(simbus::ReportTargets(), std::vector<int>{good});
  EXPECT_EQ(simbus::LiveHandles(), 1);
}

TEST_F(OpeningTest, OpenDeviceStartsWhereItIsToldAndStopsAtTheEnd) {
  simbus::Add(simbus::Board());
  simbus::Add(Other(0));
  EXPECT_EQ(Open(2, kVendor, kProduct), 0);
  EXPECT_EQ(Open(1, kVendor, kProduct), 0);
  EXPECT_EQ(Open(0, kVendor, kProduct), -1);
  CloseUsbDevice();
  for (int i = 0; i < 200; ++i) simbus::Add(Other(i));
  simbus::Interface late = simbus::Board();
  late.path += "#late";
  simbus::Add(late);
  EXPECT_EQ(Open(150, kVendor, kProduct), -1) << "not limited to indices below 128";
}

TEST_F(OpeningTest, ABoardGoneBetweenTheScanAndTheOpenIsNotFound) {
  simbus::Interface board = simbus::Board();
  // Gone after the count (2 + 128 calls) and its own scan (guid, set, release, 3 steps).
  board.gone_after_calls = 130 + 6;
  simbus::Add(board);
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), 0);
  EXPECT_EQ(CallsOf("CreateFile"), 0);
}

TEST_F(OpeningTest, OpeningAgainWithoutClosingReleasesWhatTheLastOpenHeld) {
  simbus::Add(simbus::Board());
  for (int i = 0; i < 50; ++i) ASSERT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  EXPECT_EQ(simbus::LiveHandles(), 1);
  EXPECT_EQ(simbus::LiveSets(), 1);
  EXPECT_EQ(simbus::LivePreparsed(), 1);
  GetDeviceCapabilities();
  EXPECT_EQ(simbus::LivePreparsed(), 1);
}

TEST_F(OpeningTest, CapabilitiesWithNothingOpenCallNothing) {
  simbus::ClearRecord();
  GetDeviceCapabilities();
  EXPECT_TRUE(simbus::Calls().empty());
}

TEST_F(OpeningTest, TheOpenPassesReadWriteSharedAccessToAnExistingPath) {
  simbus::Add(simbus::Board());
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  int opens = 0;
  for (const std::string& call : simbus::Calls()) {
    if (call.rfind("CreateFile", 0) != 0) continue;
    ++opens;
    EXPECT_EQ(call,
              "CreateFile path=" + simbus::Board().path + " access=c0000000 share=3 disposition=3");
  }
  EXPECT_EQ(opens, 1);
}

}  // namespace
}  // namespace varnel::testing
