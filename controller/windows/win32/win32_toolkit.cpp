#include "windows/win32/win32_toolkit.h"

#include "windows/win32/win32_design.h"
#include "windows/win32/win32_window.h"

namespace orlanek::windows::win32 {

std::unique_ptr<WindowPeer> Win32Toolkit::MakePeer(Form& form) {
  return std::make_unique<Win32Window>(form);
}

void Win32Host::ShowFatalError(const std::string& message) {
  MessageBoxW(nullptr, Wide(message).c_str(), L"Orlanek", MB_OK | MB_ICONERROR);
}

void Win32Host::Quit(int status) {
  PostQuitMessage(status);
}

}  // namespace orlanek::windows::win32
