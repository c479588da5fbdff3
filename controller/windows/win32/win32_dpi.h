#pragma once

#include <windows.h>

// A window's dpi on Win32, for programs whose sizes are designed at 96 dpi and scaled to the
// monitor the window is on; it runs on Windows versions without per-monitor dpi too.
namespace orlanek::windows::win32 {

constexpr int kDesignDpi = 96;

// The dpi of the monitor that the window is on (Windows 10 1607 on), else the system's dpi.
int WindowDpi(HWND window);
// Sizes the window, where it stands, around a client area of the given size at the given dpi.
void SizeAround(HWND window, int client_width, int client_height, DWORD style, int dpi);
// On WM_DPICHANGED, once laid out at the new dpi: the window takes the rectangle that Windows
// suggests (the message's lparam).
void TakeSuggestedRect(HWND window, LPARAM suggested);
// A size designed at 96 dpi, in pixels at the given dpi.
inline int AtDpi(int designed, int dpi) {
  return MulDiv(designed, dpi, kDesignDpi);
}

}  // namespace orlanek::windows::win32
