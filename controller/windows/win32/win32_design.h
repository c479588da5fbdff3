#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "windows/design.h"
#include "windows/win32/win32_dpi.h"

// The design's units on Win32: twips to device pixels at a window's dpi, colours, fonts.
namespace orlanek::windows::win32 {

int Pixels(Twips twips, int dpi);
RECT ToRect(const Box& box, int dpi);
COLORREF ToColour(OleColour colour);
// A designed font as GDI makes it here. Where the designed face is missing, a face of the
// same style stands in (face_choice.h); text in it may need to be drawn twice, a pixel apart.
struct Win32Font {
  HFONT handle = nullptr;
  bool overstrike = false;
};
// A text that must fit a width on one line, in pixels.
struct OneLine {
  std::wstring text;
  int width;
};
Win32Font MakeFont(const FontDesign& font, int dpi, const std::vector<OneLine>& must_fit = {});
// Draws text in a font from MakeFont: draw(dx) draws it shifted right by dx pixels.
void DrawInFont(const Win32Font& font, const std::function<void(int dx)>& draw);
std::wstring Wide(const std::string& utf8);

}  // namespace orlanek::windows::win32
