// Renders the two windows of Orlanek with the real fonts into PNG files for the README:
//   orlanek-screenshots OUTPUT-FOLDER
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <string>

#include "combapi.h"
#include "program_life.h"
#include "window_events.h"
#include "windows/forms.h"
#include "windows/qt/qt_design.h"
#include "windows/qt/qt_host.h"
#include "windows/qt/qt_toolkit.h"
#include "windows/qt/qt_window.h"

namespace {

using orlanek::windows::Form;

bool Save(Form& form, const QDir& folder, const char* name) {
  const QString path = folder.filePath(QString::fromUtf8(name));
  orlanek::windows::qt::QtWindow* widget = orlanek::windows::qt::WidgetOf(form);
  if (!widget || !widget->grab().save(path)) {
    std::fprintf(stderr, "orlanek-screenshots: cannot write %s\n", path.toUtf8().constData());
    return false;
  }
  std::printf("%s\n", path.toUtf8().constData());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: orlanek-screenshots OUTPUT-FOLDER\n", stderr);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  orlanek::windows::qt::InstallFaceSubstitutes();
  orlanek::windows::qt::QtToolkit toolkit;
  orlanek::windows::qt::QtHost host;
  orlanek::windows::SetToolkit(&toolkit);
  orlanek::SetProgramHost(&host);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists()) {
    std::fprintf(stderr, "orlanek-screenshots: no folder %s\n", argv[1]);
    return 2;
  }

  orlanek::StartProgram();
  bool saved = Save(orlanek::windows::allMenu(), folder, "menu-window.png");

  // The run window in the middle of exercise 3 with the board present.
  orlanek::ShowRunWindow();
  auto& run = orlanek::windows::frmMain();
  run.SetCaption("Drosvane第3題 (範例程式)");
  run.Label1().SetCaption(std::string(34, ' ') + "Current Time : 14:05:09");
  orlanek::MarkBoardPresent();
  orlanek::ShowGreenLeds(24);
  orlanek::ShowRedLeds(0);
  saved = Save(run, folder, "run-window.png") && saved;

  run.Discard();
  orlanek::windows::allMenu().Discard();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return saved ? 0 : 1;
}
