#include "windows/win32/win32_dpi.h"

namespace orlanek::windows::win32 {
namespace {

// A function of user32.dll that older Windows lack, bound at its first use: the program must
// start where it is missing.
template <typename Function>
Function* NewerUser32Function(const char* name) {
  const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(found));
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int found = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return found > 0 ? found : kDesignDpi;
}

}  // namespace

int WindowDpi(HWND window) {
  static const auto dpi_for_window = NewerUser32Function<UINT WINAPI(HWND)>("GetDpiForWindow");
  const UINT dpi = dpi_for_window ? dpi_for_window(window) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

void SizeAround(HWND window, int client_width, int client_height, DWORD style, int dpi) {
  static const auto adjust_for_dpi =
      NewerUser32Function<BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT frame = {0, 0, client_width, client_height};
  if (!adjust_for_dpi || !adjust_for_dpi(&frame, style, FALSE, 0, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&frame, style, FALSE, 0);
  }
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TakeSuggestedRect(HWND window, LPARAM suggested) {
  const RECT& rect = *reinterpret_cast<const RECT*>(suggested);
  SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace orlanek::windows::win32
