#include "windows/win32/win32_design.h"

namespace orlanek::windows::win32 {
namespace {

int ScreenDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int found = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return found > 0 ? found : 96;
  }();
  return dpi;
}

}  // namespace

// The design's 15 twips a pixel hold at 96 dpi; other settings scale from there.
int Pixels(Twips twips) {
  return MulDiv(TwipsToPixels(twips), ScreenDpi(), 96);
}

RECT ToRect(const Box& box) {
  const int left = Pixels(box.left), top = Pixels(box.top);
  return {left, top, left + Pixels(box.width), top + Pixels(box.height)};
}

// &H00BBGGRR is a COLORREF already; system colours come from the scheme.
COLORREF ToColour(OleColour colour) {
  return IsSystemColour(colour) ? GetSysColor(SystemColourIndex(colour)) : (colour & 0xFFFFFF);
}

HFONT MakeFont(const FontDesign& font) {
  const int height = -MulDiv(static_cast<int>(font.points * 100 + 50) / 100, ScreenDpi(), 72);
  return CreateFontW(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                     static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH, Wide(font.face).c_str());
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

}  // namespace orlanek::windows::win32
