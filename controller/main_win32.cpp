// Orlanek on Windows: the same logic as on Linux, shown through the Win32 window layer.
#include <windows.h>

#include "program_life.h"
#include "window_events.h"
#include "windows/forms.h"
#include "windows/win32/win32_toolkit.h"
#include "windows/win32/win32_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  orlanek::windows::win32::RegisterWindowClass(instance);
  orlanek::windows::win32::Win32Toolkit toolkit;
  orlanek::windows::win32::Win32Host host;
  orlanek::windows::SetToolkit(&toolkit);
  orlanek::SetProgramHost(&host);

  orlanek::StartProgram();
  int status = 0;
  if (orlanek::ProgramEnding()) {
    status = orlanek::ProgramExitStatus();
  } else {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      // Tab and the arrow keys walk the buttons of the active window.
      if (IsDialogMessageW(GetActiveWindow(), &message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    status = static_cast<int>(message.wParam);
  }
  orlanek::windows::frmMain().Discard();
  orlanek::windows::allMenu().Discard();
  return status;
}
