#include "x11_title.h"

#include <QGuiApplication>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace orlanek::windows::qt {
namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const auto cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  if (!reply) return XCB_ATOM_NONE;
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

}  // namespace

void KeepEmptyTitleEmpty(QWidget& window) {
  if (!window.windowTitle().isEmpty() || !window.testAttribute(Qt::WA_WState_Created)) return;
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return;
  const auto id = static_cast<xcb_window_t>(window.winId());
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, Atom(connection, "_NET_WM_NAME"),
                      Atom(connection, "UTF8_STRING"), 8, 0, nullptr);
  xcb_flush(connection);
}

}  // namespace orlanek::windows::qt
