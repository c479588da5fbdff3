// virtual-board.exe: the LED exam board for Varnel.dll on this Windows desktop, without a board
// or a driver. Shows its two rows live, eight green over eight red, bit 7 on the left, as
// Orlanek's run window does; the button (or the key U) pulls the board out and puts it back;
// --json FILE writes virtual-board's JSON lines for station-check.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "board_pipe.h"
#include "board_protocol.h"
#include "led_colours.h"
#include "windows/win32/win32_dpi.h"

namespace {

using orlanek::windows::win32::AtDpi;
using orlanek::windows::win32::kDesignDpi;
using orlanek::windows::win32::SizeAround;
using orlanek::windows::win32::TakeSuggestedRect;
using orlanek::windows::win32::WindowDpi;
using virtual_board::BoardPipe;

const char kUsage[] =
    "Usage: virtual-board.exe [--json FILE]\r\n"
    "  Offers the LED board (%s) to Varnel.dll on this desktop, as if\r\n"
    "  it were plugged in: start it, then Orlanek.exe or your own program beside Varnel.dll.\r\n"
    "  Its window shows the green and red rows; the button (or the key U) pulls the board out\r\n"
    "  and puts it back. One program at a time holds the board; one virtual board a desktop.\r\n"
    "  --json FILE  one JSON line per report and per plug change into FILE, each with \"ms\":\r\n"
    "               milliseconds since the board was made, for station-check\r\n";

// Layout in pixels at 96 dpi: LEDs of kLed across, kPitch apart, in two rows, the button below,
// its text kButtonText high (8 points). Px scales it to the window's dpi.
constexpr int kLed = 24, kPitch = 32, kMargin = 16, kButtonText = 11;
constexpr int kRowTop[] = {kMargin, kMargin + kPitch + 8};
constexpr int kButtonTop = kRowTop[1] + kPitch + 12, kButtonHeight = 28;
constexpr int kClientWidth = 2 * kMargin + 8 * kPitch - (kPitch - kLed);
constexpr int kClientHeight = kButtonTop + kButtonHeight + kMargin;
constexpr int kButtonId = 1;
constexpr const char* kPullOut = "Pull out (U)";
constexpr const char* kPutBack = "Put back (U)";

struct Shown {
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  bool plugged = false;
  bool want_plugged = true;
  HWND button = nullptr;
  HFONT button_font = nullptr;
  int dpi = kDesignDpi;
  BoardPipe* board = nullptr;
};
Shown shown;

int Px(int designed) {
  return AtDpi(designed, shown.dpi);
}

// A row as Orlanek's run window paints it: lit or dark, hollow while no board is there.
void PaintRow(HDC dc, int top, std::uint8_t value, const orlanek::RowColours& colours) {
  for (int bit = 7; bit >= 0; --bit) {
    const int left = kMargin + (7 - bit) * kPitch;
    HBRUSH brush = nullptr;
    if (shown.plugged) brush = CreateSolidBrush((value >> bit & 1) ? colours.lit : colours.dark);
    HGDIOBJ old = SelectObject(dc, brush ? brush : GetStockObject(NULL_BRUSH));
    Ellipse(dc, Px(left), Px(top), Px(left + kLed), Px(top + kLed));
    SelectObject(dc, old);
    if (brush) DeleteObject(brush);
  }
}

void Toggle() {
  shown.want_plugged = !shown.want_plugged;
  shown.board->SetPlugged(shown.want_plugged);
  SetWindowTextA(shown.button, shown.want_plugged ? kPullOut : kPutBack);
}

// Everything inside the window at the given dpi: the button's place and its font, the LEDs.
void LayOut(HWND window, int dpi) {
  shown.dpi = dpi;
  LOGFONTA face = {};
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
  face.lfHeight = -Px(kButtonText);
  face.lfWidth = 0;
  HFONT font = CreateFontIndirectA(&face);
  SendMessageA(shown.button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (shown.button_font) DeleteObject(shown.button_font);
  shown.button_font = font;
  SetWindowPos(shown.button, nullptr, Px(kMargin), Px(kButtonTop), Px(kClientWidth - 2 * kMargin),
               Px(kButtonHeight), SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window, nullptr, TRUE);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      PaintRow(dc, kRowTop[0], shown.green, orlanek::kGreenRow);
      PaintRow(dc, kRowTop[1], shown.red, orlanek::kRedRow);
      EndPaint(window, &paint);
      return 0;
    }
    case virtual_board::kChangedMessage:
      shown.green = static_cast<std::uint8_t>(wparam & 0xFF);
      shown.red = static_cast<std::uint8_t>(wparam >> 8 & 0xFF);
      shown.plugged = lparam != 0;
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another scale, or the scale changed.
      LayOut(window, LOWORD(wparam));
      TakeSuggestedRect(window, lparam);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == kButtonId) Toggle();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND MakeWindow(HINSTANCE instance) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = "VirtualBoard";
  RegisterClassA(&window_class);
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  HWND window =
      CreateWindowA("VirtualBoard", "Virtual LED board", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  shown.button = CreateWindowA("BUTTON", kPullOut, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0,
                               0, window, reinterpret_cast<HMENU>(kButtonId), instance, nullptr);
  LayOut(window, WindowDpi(window));
  SizeAround(window, Px(kClientWidth), Px(kClientHeight), kStyle, shown.dpi);
  return window;
}

// Text for the user: on the console the program was started from, else in a message box.
void Say(const char* text, UINT icon) {
  AttachConsole(ATTACH_PARENT_PROCESS);
  HANDLE out = GetStdHandle(icon == MB_ICONERROR ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out == nullptr || out == INVALID_HANDLE_VALUE ||
      !WriteFile(out, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr)) {
    MessageBoxA(nullptr, text, "virtual-board", MB_OK | icon);
  }
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    char usage[sizeof kUsage + sizeof orlanek::board::kIdentityText];
    std::snprintf(usage, sizeof usage, kUsage, orlanek::board::kIdentityText);
    Say(usage, MB_ICONINFORMATION);
    return 0;
  }
  const bool json_asked = argc == 3 && std::strcmp(argv[1], "--json") == 0;
  if (argc != 1 && !json_asked) {
    Say("virtual-board: bad arguments (try virtual-board.exe --help)\r\n", MB_ICONERROR);
    return 2;
  }
  std::unique_ptr<std::FILE, FileCloser> json;
  // Binary: lines end in LF alone, as on Linux, for station-check on either system.
  if (json_asked) json.reset(std::fopen(argv[2], "wb"));
  if (json_asked && !json) {
    Say(("virtual-board: cannot write " + std::string(argv[2]) + "\r\n").c_str(), MB_ICONERROR);
    return 1;
  }

  HWND window = MakeWindow(GetModuleHandleA(nullptr));
  BoardPipe board(window, json.get());
  shown.board = &board;
  std::string error;
  if (!board.Start(&error)) {
    Say(("virtual-board: " + error + "\r\n").c_str(), MB_ICONERROR);
    return 1;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    // The key works wherever the focus is in the window, also on the button.
    if (message.message == WM_KEYDOWN && message.wParam == 'U') {
      Toggle();
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
