#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include "support/recording_toolkit.h"
#include "window_events.h"
#include "windows/forms.h"
#include "windows/qt/qt_toolkit.h"
#include "windows/qt/qt_window.h"

namespace orlanek::testing {

// A started program whose windows are real Qt widgets.
class QtProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    windows::SetToolkit(&toolkit);
    SetProgramHost(&host);
    StartProgram();
  }
  void TearDown() override {
    ResetProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    windows::SetToolkit(nullptr);
    SetProgramHost(nullptr);
  }
  static windows::qt::QtWindow& Menu() { return Widget(windows::allMenu()); }
  static windows::qt::QtWindow& Run() { return Widget(windows::frmMain()); }
  static windows::qt::QtWindow& Widget(windows::Form& form) {
    form.Touch();
    windows::qt::QtWindow* widget = windows::qt::WidgetOf(form);
    if (!widget) throw std::logic_error("the form has no widget");
    return *widget;
  }
  // Twips as designed, in the window's logical pixels.
  static QRect Twips(int left, int top, int width, int height) {
    return {windows::TwipsToPixels(left), windows::TwipsToPixels(top),
            windows::TwipsToPixels(width), windows::TwipsToPixels(height)};
  }

  windows::qt::QtToolkit toolkit;
  RecordingHost host;
};

}  // namespace orlanek::testing
