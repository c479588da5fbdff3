#pragma once

#include <xcb/xcb.h>

namespace orlanek::windows::qt {

// The X11 atom of the name, or XCB_ATOM_NONE when the server does not answer.
xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name);

}  // namespace orlanek::windows::qt
