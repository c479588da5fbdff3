#include <gtest/gtest.h>

#include <QApplication>

#include "windows/qt/qt_design.h"

// The windows are tested on Qt's offscreen platform, with the real fonts.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  orlanek::windows::qt::InstallFaceSubstitutes();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
