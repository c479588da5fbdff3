#include "x11_title.h"

#include <QGuiApplication>

#include "x11_atom.h"

namespace orlanek::windows::qt {
void KeepEmptyTitleEmpty(QWidget& window) {
  if (!window.windowTitle().isEmpty() || !window.testAttribute(Qt::WA_WState_Created)) return;
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return;
  const auto id = static_cast<xcb_window_t>(window.winId());
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, InternAtom(connection, "_NET_WM_NAME"),
                      InternAtom(connection, "UTF8_STRING"), 8, 0, nullptr);
  xcb_flush(connection);
}

}  // namespace orlanek::windows::qt
