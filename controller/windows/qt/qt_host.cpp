#include "qt_host.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>

namespace orlanek::windows::qt {

void NameProgram() {
  QCoreApplication::setApplicationName(QStringLiteral("Orlanek"));
  QCoreApplication::setApplicationVersion(QStringLiteral("2013.01"));
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::Taiwan));
}

void QtHost::ShowFatalError(const std::string& message) {
  QMessageBox::critical(nullptr, QStringLiteral("Orlanek"), QString::fromStdString(message));
}

void QtHost::Quit(int status) {
  QCoreApplication::exit(status);
}

}  // namespace orlanek::windows::qt
