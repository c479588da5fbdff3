#include "qt_host.h"

#include <QApplication>
#include <QMessageBox>

namespace orlanek::windows::qt {

void QtHost::ShowFatalError(const std::string& message) {
  QMessageBox::critical(nullptr, QStringLiteral("Orlanek"), QString::fromStdString(message));
}

void QtHost::Quit(int status) { QCoreApplication::exit(status); }

}  // namespace orlanek::windows::qt
