#include <cstdint>
#include <cstdlib>
#include <string>

#include "library_fixture.h"
#include "platform.h"

namespace varnel::testing {
namespace {

using EnumerationTest = LibraryTest;

TEST_F(EnumerationTest, CountsExactlyTheFirst128IndicesAndLooksAtEveryOne) {
  EXPECT_EQ(Count(), "0");
  for (int i = 0; i < 130; ++i) simbus::Add(Other(i));
  simbus::ClearRecord();
  EXPECT_EQ(Count(), "128");
  EXPECT_EQ(CallsOf("EnumDeviceInterfaces"), 128);
  EXPECT_NE(simbus::Calls().back().find(" index=127 "), std::string::npos);
}

TEST_F(EnumerationTest, UnpluggedInterfacesLeaveNoHoleInTheCount) {
  for (int i = 0; i < 5; ++i) simbus::Add(Other(i));
  simbus::Unplug(1);
  simbus::Unplug(3);
  EXPECT_EQ(Count(), "3");
  EXPECT_EQ(IdText(2), "046dc014");
  EXPECT_EQ(IdText(3), "");
}

TEST_F(EnumerationTest, IdTextCopiesTheFieldsAfterTheFirstMarkers) {
  simbus::Add(Device("\\\\?\\hid#vid_04d8&pid_003f#6&1a2b"));
  simbus::Add(Device("\\\\?\\hid#vid_04D8&pid_ABcd#pid_1111"));
  simbus::Add(Device("\\\\?\\hid#VID_1234&pid_6789"));
  simbus::Add(Device("no markers at all"));
  simbus::Add(Device("/dev/x?pid_12&vid_9"));
  EXPECT_EQ(IdText(0), "04d8003f");
  EXPECT_EQ(IdText(1), "04D8ABcd");
  EXPECT_EQ(IdText(2), "00006789");
  EXPECT_EQ(IdText(3), "00000000");
  // A field that runs into the path's NULs: the C text stops at the first of them.
  EXPECT_EQ(IdText(4), "9");
  EXPECT_EQ(IdText(5), "");
  EXPECT_EQ(IdText(-1), "");
}

TEST_F(EnumerationTest, EveryCallTakesAFreshSetAndReleasesTheOneBefore) {
  simbus::Add(Other(0));
  for (int i = 0; i < 100; ++i) {
    Count();
    IdText(0);
    IdText(7);
  }
  EXPECT_EQ(simbus::LiveSets(), 1);
  CloseUsbDevice();
  EXPECT_EQ(simbus::LiveSets(), 0);
}

TEST_F(EnumerationTest, PassesTheRecordSizesAndFlagsOfThePlatformContract) {
  simbus::Add(Other(0));
  simbus::ClearRecord();
  IdText(0);
  const auto& calls = simbus::Calls();
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0], "GetHidGuid");
  EXPECT_EQ(calls[1], "GetClassDevs guid=hid flags=12");
  EXPECT_NE(calls[2].find(" index=0 size=" + std::to_string(sizeof(platform::InterfaceData))),
            std::string::npos);
  EXPECT_NE(calls[3].find(" buffer=no size=0"), std::string::npos);
  const std::string path_size = std::to_string(4 + Other(0).path.size() + 1);
  EXPECT_NE(calls[4].find(" buffer=yes size=" + path_size +
                          " field=" + std::to_string(platform::kDetailRecordSize)),
            std::string::npos);
}

TEST_F(EnumerationTest, ADetailTooSmallForItsSizeFieldReadsAsAPathWithoutIds) {
  for (std::uint32_t size = 0; size < 5; ++size) {
    simbus::Reset();
    simbus::Interface vanishing = simbus::Board();
    vanishing.sizing_reports = size;
    simbus::Add(vanishing);
    EXPECT_EQ(IdText(0), "00000000") << size;
    EXPECT_EQ(Open(0, 0x1234, 0x6789), 0) << size;
    EXPECT_EQ(CallsOf("CreateFile"), 0) << size;
  }
}

TEST_F(EnumerationTest, AnInterfaceGoneAfterTheSetWasTakenLeavesAHoleTheCountWalksPast) {
  simbus::Add(Other(0));
  simbus::Add(Other(1));
  simbus::Interface leaving = Other(2);
  // Seen by the GUID, the set and the first two enumeration steps, gone at the third.
  leaving.gone_after_calls = 4;
  simbus::Add(leaving);
  simbus::Add(Other(3));
  EXPECT_EQ(Count(), "3");
  EXPECT_EQ(CallsOf("EnumDeviceInterfaces"), 128);
  EXPECT_EQ(IdText(2), "046dc013") << "the next set closes the hole";
}

TEST_F(EnumerationTest, TextsAreTheCallersMallocdCopiesAndNoInterfaceIsNull) {
  simbus::Add(Other(0));
  char* count = FindHidDevice();
  ASSERT_NE(count, nullptr);
  EXPECT_STREQ(count, "1");
  std::free(count);
  const std::int32_t past_end = 1;
  EXPECT_EQ(FindVidPid(&past_end), nullptr);
  EXPECT_EQ(FindVidPid(nullptr), nullptr);
}

}  // namespace
}  // namespace varnel::testing
