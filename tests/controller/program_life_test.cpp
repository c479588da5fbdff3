#include "program_life.h"

#include <gtest/gtest.h>

#include "runtime_error.h"
#include "support/recording_toolkit.h"

namespace orlanek {
namespace {

class ProgramLifeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramLife();
    SetProgramHost(&host);
  }
  void TearDown() override {
    SetProgramHost(nullptr);
    ResetProgramLife();
  }
  testing::RecordingHost host;
};

TEST_F(ProgramLifeTest, RunTimeErrorIsReportedOnceAndEndsWithNonZeroStatus) {
  bool after_error = false;
  DeliverEvent("frmMain.Timer1_Timer", [&] {
    DeliverEvent("frmMain.Form_Load", [] { throw RuntimeError("Subscript out of range: 100"); });
    after_error = true;
  });
  EXPECT_FALSE(after_error);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("frmMain.Timer1_Timer"), std::string::npos);
  EXPECT_NE(host.messages[0].find("Subscript out of range: 100"), std::string::npos);
  EXPECT_EQ(host.quits, std::vector<int>{kFatalErrorStatus});
  EXPECT_NE(ProgramExitStatus(), 0);
}

TEST_F(ProgramLifeTest, NothingIsHandledOnceTheProgramEnds) {
  EndProgram(0);
  EndProgram(3);
  bool ran = false;
  DeliverEvent("allMenu.Command1_Click", [&] { ran = true; });
  EXPECT_FALSE(ran);
  EXPECT_EQ(host.quits, std::vector<int>{0});
  EXPECT_EQ(ProgramExitStatus(), 0);
}

TEST_F(ProgramLifeTest, AnyExceptionTakesTheSamePath) {
  DeliverEvent("allMenu.Form_Load", [] { throw std::bad_alloc(); });
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_TRUE(ProgramEnding());
}

}  // namespace
}  // namespace orlanek
