#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "windows/design.h"

// The design's units on Win32: twips to device pixels at the screen's DPI, colours, fonts.
namespace orlanek::windows::win32 {

int Pixels(Twips twips);
RECT ToRect(const Box& box);
COLORREF ToColour(OleColour colour);
// A designed font as GDI makes it here. Where the designed face is missing, a face of the
// same style stands in (face_choice.h); text in it may need to be drawn twice, a pixel apart.
struct Win32Font {
  HFONT handle = nullptr;
  bool overstrike = false;
};
Win32Font MakeFont(const FontDesign& font);
// Draws text in a font from MakeFont: draw(dx) draws it shifted right by dx pixels.
void DrawInFont(const Win32Font& font, const std::function<void(int dx)>& draw);
std::wstring Wide(const std::string& utf8);

}  // namespace orlanek::windows::win32
