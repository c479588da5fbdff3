// Asks an X11 window to close, as its close box would: x-close WINDOW-ID
#include <cstdio>
#include <cstdlib>

#include "windows/qt/x11_atom.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: x-close WINDOW-ID\n", stderr);
    return 2;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    std::fputs("x-close: cannot reach the X display\n", stderr);
    return 1;
  }
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
  event.type = orlanek::windows::qt::InternAtom(connection, "WM_PROTOCOLS");
  event.data.data32[0] = orlanek::windows::qt::InternAtom(connection, "WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_generic_error_t* error = xcb_request_check(
      connection, xcb_send_event_checked(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                                         reinterpret_cast<const char*>(&event)));
  if (error)
    std::fprintf(stderr, "x-close: the display refused the message (error %d)\n",
                 error->error_code);
  const bool sent = error == nullptr;
  std::free(error);
  xcb_disconnect(connection);
  return sent ? 0 : 1;
}
