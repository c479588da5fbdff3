// virtual-board.exe: the LED exam board for Varnel.dll on this Windows desktop, without a board
// or a driver. Shows its two rows live, eight green over eight red, bit 7 on the left, as
// Orlanek's run window does; the button (or the key U) pulls the board out and puts it back;
// --json FILE writes virtual-board's JSON lines for station-check; --exercise N (or --coach)
// judges the session as it comes, under the rows, and gives station-check's verdict at the end.
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "board_pipe.h"
#include "board_protocol.h"
#include "coach.h"
#include "console.h"
#include "led_colours.h"
#include "messages.h"
#include "picture.h"
#include "windows/win32/face_choice.h"
#include "windows/win32/win32_dpi.h"

namespace {

using orlanek::windows::win32::AtDpi;
using orlanek::windows::win32::ChooseFace;
using orlanek::windows::win32::HeaviestWeight;
using orlanek::windows::win32::kDesignDpi;
using orlanek::windows::win32::SizeAround;
using orlanek::windows::win32::TakeSuggestedRect;
using orlanek::windows::win32::WindowDpi;
using virtual_board::BoardPipe;

using messages::N_;
using messages::Tr;

const char* const kUsage =
    N_("Usage: virtual-board.exe [--json FILE] [--coach] [--exercise N] [--picture FILE]\n"
       "  Offers the LED board ({1}) to Varnel.dll on this desktop, as if\n"
       "  it were plugged in: start it, then Orlanek.exe or your own program beside Varnel.dll.\n"
       "  Its window shows the green and red rows; the button (or the key U) pulls the board out\n"
       "  and puts it back. One program at a time holds the board; one virtual board a desktop.\n"
       "  --json FILE  one JSON line per report and per plug change into FILE, each with \"ms\":\n"
       "               milliseconds since the board was made, for station-check\n"
       "  --exercise N  the practice coach for exercise N (1 to 10): the session judged as it\n"
       "               comes, as station-check does; under the rows the reference's rows, the\n"
       "               six rules and the first break; station-check's verdict at the end\n"
       "  --coach      the coach for the exercise that the session's steps show\n"
       "  --picture FILE  with the coach, the session drawn at the end (.svg or .png)\n");

// Layout in pixels at 96 dpi: LEDs of kLed across, kPitch apart, in two rows, the button below,
// its text kButtonText high (8 points), kChineseText (9 points) in Chinese. Px scales it to the
// window's dpi.
constexpr int kLed = 24, kPitch = 32, kMargin = 16, kButtonText = 11, kChineseText = 12;
constexpr int kRowTop[] = {kMargin, kMargin + kPitch + 8};
constexpr int kButtonTop = kRowTop[1] + kPitch + 12, kButtonHeight = 28;
constexpr int kClientWidth = 2 * kMargin + 8 * kPitch - (kPitch - kLed);
constexpr int kClientHeight = kButtonTop + kButtonHeight + kMargin;
// The coach's lines under the button, in a wider window: the first break is a long sentence.
constexpr int kCoachWidth = 640, kCoachLine = 16, kCoachLines = 6;
constexpr int kCoachHeight = kClientHeight + kCoachLines * kCoachLine;
constexpr int kButtonId = 1;
const char* const kPullOut = N_("Pull out (U)");
const char* const kPutBack = N_("Put back (U)");

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

// The coach, told on the board's thread and read on the window's: its lines kept under a lock.
class LiveCoach : public station_check::SessionSink {
 public:
  LiveCoach(int exercise, station_check::Frames* frames)
      : coach_(exercise, frames), lines_(virtual_board::CoachLines(coach_.view())) {}

  void Report(std::int64_t us, std::span<const std::uint8_t> bytes, std::size_t number) override {
    AcquireSRWLockExclusive(&lock_);
    lines_ = virtual_board::CoachLines(coach_.Report(us, bytes, number));
    ReleaseSRWLockExclusive(&lock_);
  }
  void Plug(std::int64_t us, bool plugged) override {
    AcquireSRWLockExclusive(&lock_);
    lines_ = virtual_board::CoachLines(coach_.Plug(us, plugged));
    ReleaseSRWLockExclusive(&lock_);
  }
  std::vector<std::string> Lines() {
    AcquireSRWLockShared(&lock_);
    std::vector<std::string> lines = lines_;
    ReleaseSRWLockShared(&lock_);
    return lines;
  }
  // Once the board has stopped.
  station_check::Verdict Finish() { return coach_.Finish(); }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  virtual_board::Coach coach_;
  std::vector<std::string> lines_;
};
LiveCoach* coach = nullptr;

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

// The program's texts are UTF-8 (the LEDs' circles, the catalogue's Chinese); the window's
// functions take them in UTF-16.
std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          static_cast<int>(wide.size()))));
  return wide;
}

// The coach's lines under the button.
void PaintCoach(HDC dc) {
  std::string text;
  for (const std::string& line : coach->Lines()) text += line + "\r\n";
  const std::wstring wide = Wide(text);
  RECT area = {Px(kMargin), Px(kClientHeight), Px(kCoachWidth - kMargin), Px(kCoachHeight)};
  HGDIOBJ old = SelectObject(dc, shown.button_font);
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area, DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
}

void Toggle() {
  shown.want_plugged = !shown.want_plugged;
  shown.board->SetPlugged(shown.want_plugged);
  SetWindowTextW(shown.button, Wide(Tr(shown.want_plugged ? kPullOut : kPutBack)).c_str());
}

// The button's and the coach's font. Chinese is drawn in the face of Orlanek's captions at the
// size of Windows' own Chinese texts: the default face may have no Chinese (an English Windows,
// Wine), and Chinese at 8 points is hard to read.
LOGFONTW TextFont() {
  LOGFONTW face = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
  face.lfHeight = -Px(kButtonText);
  face.lfWidth = 0;
  if (messages::Chosen() != messages::Language::kTraditionalChinese) return face;
  face.lfHeight = -Px(kChineseText);
  face.lfCharSet = CHINESEBIG5_CHARSET;
  const std::wstring name = Wide(ChooseFace(
      "新細明體", [](const std::string& name) { return HeaviestWeight(Wide(name)) > 0; }));
  face.lfFaceName[name.copy(face.lfFaceName, LF_FACESIZE - 1)] = L'\0';
  return face;
}

// Everything inside the window at the given dpi: the button's place and its font, the LEDs.
void LayOut(HWND window, int dpi) {
  shown.dpi = dpi;
  const LOGFONTW face = TextFont();
  HFONT font = CreateFontIndirectW(&face);
  SendMessageW(shown.button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
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
      if (coach) PaintCoach(dc);
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
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND MakeWindow(HINSTANCE instance) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"VirtualBoard";
  RegisterClassW(&window_class);
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  HWND window = CreateWindowW(L"VirtualBoard", Wide(Tr("Virtual LED board")).c_str(), kStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                              nullptr, instance, nullptr);
  shown.button =
      CreateWindowW(L"BUTTON", Wide(Tr(kPullOut)).c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0,
                    0, 0, 0, window, reinterpret_cast<HMENU>(kButtonId), instance, nullptr);
  LayOut(window, WindowDpi(window));
  SizeAround(window, Px(coach ? kCoachWidth : kClientWidth),
             Px(coach ? kCoachHeight : kClientHeight), kStyle, shown.dpi);
  return window;
}

// Whether the stream reaches a file, a pipe or a console: a program with a window of its own that
// was started alone has none.
bool Writable(std::FILE* stream) {
  const intptr_t handle = _get_osfhandle(_fileno(stream));
  return handle != 0 && handle != -1 && handle != -2 &&
         GetFileType(reinterpret_cast<HANDLE>(handle)) != FILE_TYPE_UNKNOWN;
}

// Text for the user: into the file or pipe the program was started with, or on the console it
// was started from, else in a message box. A program with a window of its own starts with no
// console, so its standard streams are bound to the parent's console here.
void Say(const std::string& text, UINT icon) {
  std::FILE* stream = icon == MB_ICONERROR ? stderr : stdout;
  // The second stream finds the console already attached.
  if (!Writable(stream) &&
      (AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED))
    std::freopen("CONOUT$", "w", stream);
  if (!Writable(stream)) {
    MessageBoxW(nullptr, Wide(text).c_str(), L"virtual-board", MB_OK | icon);
    return;
  }
  station_check::Write(stream, text);
  std::fflush(stream);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct Options {
  std::string json, picture;
  int exercise = 0;
  bool coach = false;
};

bool EndsWith(const std::string& text, const char* end) {
  const std::size_t size = std::strlen(end);
  return text.size() > size && text.compare(text.size() - size, size, end) == 0;
}

bool ParseOptions(const std::vector<std::string>& arguments, Options* options) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    const std::string value = i + 1 < arguments.size() ? arguments[i + 1] : "";
    if (option == "--coach") {
      options->coach = true;
      continue;
    }
    if (value.empty()) return false;
    if (option == "--json") {
      options->json = value;
    } else if (option == "--exercise") {
      char* end = nullptr;
      options->exercise = static_cast<int>(std::strtol(value.c_str(), &end, 10));
      if (*end != '\0' || options->exercise < 1 || options->exercise > 10) return false;
    } else if (option == "--picture" && (EndsWith(value, ".svg") || EndsWith(value, ".png"))) {
      options->picture = value;
    } else {
      return false;
    }
    options->coach = options->coach || option != "--json";
    ++i;
  }
  return true;
}

// The coach's verdict, as station-check gives it, and its picture; false when the picture
// could not be written.
bool Verdict(const Options& options, const station_check::Frames* frames) {
  const station_check::Verdict verdict = coach->Finish();
  Say(station_check::Describe(verdict), MB_ICONINFORMATION);
  if (!frames) return true;
  // Named in UTF-8, which the narrow file functions would take for the code page's text.
  const std::string& name = options.picture;
  std::ofstream out(std::filesystem::path(std::u8string(name.begin(), name.end())),
                    std::ios::binary);
  const bool drawn = EndsWith(name, ".svg") ? station_check::WritePictureSvg(verdict, *frames, out)
                                            : station_check::WritePicturePng(verdict, *frames, out);
  if (drawn && out.flush()) return true;
  Say(Tr("virtual-board: cannot write {1}\n", name), MB_ICONERROR);
  return false;
}

void Serve() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // The key works wherever the focus is in the window, also on the button.
    if (message.message == WM_KEYDOWN && message.wParam == 'U') {
      Toggle();
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // argv is in the code page, which cannot name every file.
  const std::vector<std::string> arguments = station_check::Arguments(argc, argv);
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    Say(Tr(kUsage, orlanek::board::kIdentityText), MB_ICONINFORMATION);
    return 0;
  }
  Options options;
  if (!ParseOptions(arguments, &options)) {
    Say(Tr("virtual-board: bad arguments (try virtual-board.exe --help)\n"), MB_ICONERROR);
    return 2;
  }
  std::unique_ptr<std::FILE, FileCloser> json;
  // Binary: lines end in LF alone, as on Linux, for station-check on either system.
  if (!options.json.empty()) json.reset(station_check::OpenFile(options.json, "wb"));
  if (!options.json.empty() && !json) {
    Say(Tr("virtual-board: cannot write {1}\n", options.json), MB_ICONERROR);
    return 1;
  }
  std::unique_ptr<station_check::Frames> frames;
  if (!options.picture.empty())
    frames = std::make_unique<station_check::Frames>(station_check::TemporaryFile());
  std::unique_ptr<LiveCoach> live;
  if (options.coach) live = std::make_unique<LiveCoach>(options.exercise, frames.get());
  coach = live.get();

  HWND window = MakeWindow(GetModuleHandleW(nullptr));
  auto board = std::make_unique<BoardPipe>(window, json.get(), coach);
  shown.board = board.get();
  std::string error;
  if (!board->Start(&error)) {
    Say(Tr("virtual-board: {1}\n", error), MB_ICONERROR);
    return 1;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  Serve();
  board.reset();
  return !coach || Verdict(options, frames.get()) ? 0 : 1;
}
