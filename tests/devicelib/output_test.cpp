#include <cstdint>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace varnel::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

class OutputTest : public LibraryTest {
 protected:
  int OpenBoardWithReportLength(std::uint16_t length) {
    simbus::Interface board = simbus::Board();
    board.feature_length = length;
    const int id = simbus::Add(board);
    EXPECT_EQ(OpenUsbDevice(0x1234, 0x6789), -1);
    simbus::ClearRecord();
    return id;
  }
};

TEST_F(OutputTest, EachCallSendsOneReportOfTheDevicesLength) {
  OpenBoardWithReportLength(9);
  OutDataCtrl(0xFF, 0);
  OutDataCtrl(0, 0x20);
  OutDataCtrl(0, 0x30);
  OutDataCtrl(0, 0x20);
  const std::vector<Bytes> expected = {{0, 0xFF, 0, 0, 0, 0, 0, 0, 0},
                                       {0, 0, 0x20, 0, 0, 0, 0, 0, 0},
                                       {0, 0, 0x30, 0, 0, 0, 0, 0, 0},
                                       {0, 0, 0x20, 0, 0, 0, 0, 0, 0}};
  EXPECT_EQ(simbus::Reports(), expected);
  EXPECT_EQ(simbus::Calls().size(), 4u);
  const std::vector<simbus::DataCtrl> strobe = {{0, 0x20}, {0, 0x30}, {0, 0x20}};
  EXPECT_EQ(simbus::DataCtrlReports(1), strobe);
}

TEST_F(OutputTest, ShorterLongerAndEmptyReportLengths) {
  OpenBoardWithReportLength(3);
  OutDataCtrl(0xA5, 0x5A);
  EXPECT_EQ(simbus::Reports().back(), (Bytes{0, 0xA5, 0x5A}));
  CloseUsbDevice();
  simbus::Reset();

  // A longer report than the 9-byte one comes from a zero-filled buffer of its own length.
  OpenBoardWithReportLength(16);
  OutDataCtrl(7, 0);
  Bytes sixteen(16, 0);
  sixteen[1] = 7;
  EXPECT_EQ(simbus::Reports().back(), sixteen);
  CloseUsbDevice();
  simbus::Reset();

  OpenBoardWithReportLength(0);
  OutDataCtrl(7, 0);
  ASSERT_EQ(simbus::Calls().size(), 1u);
  EXPECT_NE(simbus::Calls()[0].find(" length=0"), std::string::npos);
  EXPECT_TRUE(simbus::Reports().empty());
}

TEST_F(OutputTest, NothingIsSentWithNothingOpen) {
  simbus::Add(simbus::Board());
  OutDataCtrl(1, 0);
  EXPECT_EQ(OpenUsbDevice(0x1234, 0x6789), -1);
  CloseUsbDevice();
  simbus::ClearRecord();
  OutDataCtrl(1, 0);
  EXPECT_TRUE(simbus::Calls().empty());
}

TEST_F(OutputTest, CloseReleasesHandleThenSetThenPreparsedDataAndOnlyOnce) {
  OpenBoardWithReportLength(9);
  CloseUsbDevice();
  ASSERT_EQ(simbus::Calls().size(), 3u);
  EXPECT_EQ(simbus::Calls()[0].rfind("CloseHandle ", 0), 0u);
  EXPECT_EQ(simbus::Calls()[1].rfind("DestroyDeviceInfoList ", 0), 0u);
  EXPECT_EQ(simbus::Calls()[2].rfind("FreePreparsedData ", 0), 0u);
  simbus::ClearRecord();
  CloseUsbDevice();
  EXPECT_TRUE(simbus::Calls().empty());
  EXPECT_EQ(LiveResources(), 0);
}

TEST_F(OutputTest, AfterAFailedOpenCloseReleasesOnlyTheSetTheScanLeft) {
  simbus::Add(Other(0));
  CloseUsbDevice();
  EXPECT_EQ(OpenUsbDevice(0x1234, 0x6789), 0);
  simbus::ClearRecord();
  CloseUsbDevice();
  ASSERT_EQ(simbus::Calls().size(), 1u);
  EXPECT_EQ(simbus::Calls()[0].rfind("DestroyDeviceInfoList ", 0), 0u);
}

TEST_F(OutputTest, TenThousandTicksPresentAbsentAndFlappingHoldNothing) {
  const int board = simbus::Add(simbus::Board());
  for (const char* pattern : {"present", "absent", "flapping"}) {
    for (int tick = 0; tick < 10000; ++tick) {
      const bool present = pattern[0] == 'p' || (pattern[0] == 'f' && tick % 2 == 0);
      if (present) {
        simbus::Plug(board);
      } else {
        simbus::Unplug(board);
      }
      if (OpenUsbDevice(0x1234, 0x6789) == -1) {
        for (int i = 0; i < 7; ++i) OutDataCtrl(static_cast<std::uint8_t>(tick), 0);
      }
      // The controller's unload opens without closing; every few ticks do the same.
      if (tick % 5 != 0) CloseUsbDevice();
      ASSERT_LE(LiveResources(), 3) << pattern << " tick " << tick;
      simbus::ClearRecord();
    }
    CloseUsbDevice();
    EXPECT_EQ(LiveResources(), 0) << pattern;
  }
}

}  // namespace
}  // namespace varnel::testing
