#pragma once

#include <gtest/gtest.h>

#include "support/recording_toolkit.h"
#include "windows/toolkit.h"

namespace orlanek::testing {

// A fresh program over the recording toolkit and host for every test.
class ProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    windows::SetToolkit(&toolkit);
    SetProgramHost(&host);
  }
  void TearDown() override {
    ResetProgram();
    windows::SetToolkit(nullptr);
    SetProgramHost(nullptr);
  }

  RecordingToolkit toolkit;
  RecordingHost host;
};

}  // namespace orlanek::testing
