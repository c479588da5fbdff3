#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "program_life.h"
#include "window_events.h"
#include "windows/forms.h"
#include "windows/qt/qt_design.h"
#include "windows/qt/qt_host.h"
#include "windows/qt/qt_toolkit.h"

namespace {

// Qt aborts without a display; say what to do instead.
bool HaveDisplay() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
  if (!HaveDisplay()) {
    std::fputs(
        "Orlanek needs a graphical display and none is set (DISPLAY is empty); "
        "to run it without one: xvfb-run ./run\n",
        stderr);
    return 2;
  }
  QApplication app(argc, argv);
  orlanek::windows::qt::NameProgram();
  QApplication::setQuitOnLastWindowClosed(false);
  orlanek::windows::qt::InstallFaceSubstitutes();

  orlanek::windows::qt::QtToolkit toolkit;
  orlanek::windows::qt::QtHost host;
  orlanek::windows::SetToolkit(&toolkit);
  orlanek::SetProgramHost(&host);

  orlanek::StartProgram();
  const int status = orlanek::ProgramEnding() ? orlanek::ProgramExitStatus() : app.exec();
  orlanek::windows::frmMain().Discard();
  orlanek::windows::allMenu().Discard();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return status;
}
