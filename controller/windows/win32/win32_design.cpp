#include "windows/win32/win32_design.h"

#include <map>

#include "windows/win32/face_choice.h"

namespace orlanek::windows::win32 {
namespace {

struct InstalledFace {
  std::wstring name;
  // A stand-in with no bold of its own: GDI's emboldening would widen each glyph by a pixel.
  bool stand_in_without_bold;
};

// The designed face, or the face that stands in for it here; asked of GDI once a face.
const InstalledFace& FaceFor(const std::string& designed) {
  static std::map<std::string, InstalledFace> chosen;
  const auto known = chosen.find(designed);
  if (known != chosen.end()) return known->second;
  const std::string face =
      ChooseFace(designed, [](const std::string& name) { return HeaviestWeight(Wide(name)) > 0; });
  const bool stand_in_without_bold = face != designed && HeaviestWeight(Wide(face)) < FW_SEMIBOLD;
  return chosen.emplace(designed, InstalledFace{Wide(face), stand_in_without_bold}).first->second;
}

// Whether every text fits its width on one line in the font.
bool AllFit(HFONT font, const std::vector<OneLine>& texts) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, font);
  bool fit = true;
  for (const OneLine& line : texts) {
    SIZE size = {};
    GetTextExtentPoint32W(screen, line.text.c_str(), static_cast<int>(line.text.size()), &size);
    fit = fit && size.cx <= line.width;
  }
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return fit;
}

}  // namespace

// The design's 15 twips a pixel hold at 96 dpi; other settings scale from there.
int Pixels(Twips twips, int dpi) {
  return AtDpi(TwipsToPixels(twips), dpi);
}

RECT ToRect(const Box& box, int dpi) {
  const int left = Pixels(box.left, dpi), top = Pixels(box.top, dpi);
  return {left, top, left + Pixels(box.width, dpi), top + Pixels(box.height, dpi)};
}

// &H00BBGGRR is a COLORREF already; system colours come from the scheme.
COLORREF ToColour(OleColour colour) {
  return IsSystemColour(colour) ? GetSysColor(SystemColourIndex(colour)) : (colour & 0xFFFFFF);
}

// A bold design in a stand-in without bold is made regular and overstruck: the glyphs keep the
// stand-in's widths, as its emboldened glyphs do on Linux, and the captions fit as designed.
// A face's advances are whole pixels at each size, so a caption that fits at one scale may
// outgrow its box by a few pixels at another: there the font is made a pixel smaller at a
// time, by a tenth of its height at most.
Win32Font MakeFont(const FontDesign& font, int dpi, const std::vector<OneLine>& must_fit) {
  const int designed = MulDiv(static_cast<int>(font.points * 100 + 50) / 100, dpi, 72);
  const InstalledFace& face = FaceFor(font.face);
  const bool overstrike = font.weight >= FW_SEMIBOLD && face.stand_in_without_bold;
  for (int height = designed;; --height) {
    HFONT handle =
        CreateFontW(-height, 0, 0, 0, overstrike ? FW_NORMAL : font.weight, FALSE, FALSE, FALSE,
                    static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH, face.name.c_str());
    if (height * 10 <= designed * 9 || AllFit(handle, must_fit)) return {handle, overstrike};
    DeleteObject(handle);
  }
}

void DrawInFont(const Win32Font& font, const std::function<void(int)>& draw) {
  draw(0);
  if (font.overstrike) draw(1);
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
