#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "library_fixture.h"

namespace varnel::testing {
namespace {

constexpr std::int16_t kVendor = 0x1234;
constexpr std::int16_t kProduct = 0x6789;

std::string NewFolder() {
  char folder[] = "/tmp/varnel-session-XXXXXX";
  return mkdtemp(folder) ? folder : "";
}

// VARNEL_SESSION_LOG names a file in a folder of the test's own, once a test sets it.
class SessionLogTest : public LibraryTest {
 protected:
  void TearDown() override {
    LibraryTest::TearDown();
    unsetenv("VARNEL_SESSION_LOG");
    std::filesystem::remove_all(folder_);
  }
  std::vector<std::string> Lines() const {
    std::ifstream file(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }
  const std::string folder_ = NewFolder();
  const std::string log_ = folder_ + "/session.jsonl";
};

TEST_F(SessionLogTest, ReportsAsSentAndEachChangeOfTheOpensResultBecomeLinesTimedFromTheFirst) {
  setenv("VARNEL_SESSION_LOG", log_.c_str(), 1);
  simbus::AdvanceClock(5000);
  OutDataCtrl(1, 0);  // nothing open: nothing sent, nothing written
  const int board = simbus::AddBoard();
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  OutDataCtrl(0, 0x20);
  CloseUsbDevice();
  simbus::AdvanceClock(1000);
  EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), -1);
  OutDataCtrl(3, 0);
  CloseUsbDevice();
  simbus::Unplug(board);
  for (int tick = 0; tick < 2; ++tick) {
    simbus::AdvanceClock(1000);
    EXPECT_EQ(OpenUsbDevice(kVendor, kProduct), 0);
  }
  simbus::Plug(board);
  EXPECT_EQ(Open(0, kVendor, kProduct), -1);  // the steps' own open counts as well
  simbus::Unplug(board);                      // pulled out after the open
  OutDataCtrl(7, 0);
  const std::vector<std::string> expected = {
      R"({"ms":0,"event":"plugged"})",
      R"({"ms":0,"report":[0,0,32,0,0,0,0,0,0],"length":9})",
      R"({"ms":1000,"report":[0,3,0,0,0,0,0,0,0],"length":9})",
      R"({"ms":2000,"event":"unplugged"})",
      R"({"ms":3000,"event":"plugged"})",
      R"({"ms":3000,"failed":[0,7,0,0,0,0,0,0,0],"length":9})"};
  EXPECT_EQ(Lines(), expected);
}

// Four ticks with the board pulled out in the third: the results, every platform call (the
// bus's handle numbers left out) and every report.
std::vector<std::string> PlayTicks() {
  simbus::Reset();
  const int board = simbus::AddBoard();
  std::vector<std::string> seen;
  for (int tick = 0; tick < 4; ++tick) {
    if (tick == 2) simbus::Unplug(board);
    if (tick == 3) simbus::Plug(board);
    const std::int16_t open = OpenUsbDevice(kVendor, kProduct);
    seen.push_back("open " + std::to_string(open));
    if (open == -1) OutDataCtrl(static_cast<std::uint8_t>(tick), 0);
    CloseUsbDevice();
  }
  const std::regex handle("(set|device|preparsed)=[0-9a-f]+");
  for (const std::string& call : simbus::Calls())
    seen.push_back(std::regex_replace(call, handle, "$1"));
  for (const simbus::DataCtrl& report : simbus::DataCtrlReports())
    seen.push_back("report " + std::to_string(report.data));
  return seen;
}

TEST_F(SessionLogTest, ALogOrOneThatCannotBeOpenedOrWrittenChangesNothingElse) {
  const std::vector<std::string> unlogged = PlayTicks();
  ASSERT_EQ(mkfifo((folder_ + "/fifo").c_str(), 0600), 0);
  // With a reader there, a writer's open of the fifo succeeds: only the check keeps it out.
  const int reader = open((folder_ + "/fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  for (const std::string& path : {log_, folder_ + "/missing/session.jsonl", folder_,
                                  std::string("/dev/full"), folder_ + "/fifo"}) {
    setenv("VARNEL_SESSION_LOG", path.c_str(), 1);
    EXPECT_EQ(PlayTicks(), unlogged) << path;
  }
  EXPECT_EQ(Lines().size(), 6u);  // plugged, 2 reports, unplugged, plugged, 1 report
  char byte = 0;
  EXPECT_LE(read(reader, &byte, 1), 0) << "the fifo was written to";
  close(reader);
}

}  // namespace
}  // namespace varnel::testing
