#pragma once

#include <windows.h>

#include <string>

#include "windows/design.h"

// The design's units on Win32: twips to device pixels at the screen's DPI, colours, fonts.
namespace orlanek::windows::win32 {

int Pixels(Twips twips);
RECT ToRect(const Box& box);
COLORREF ToColour(OleColour colour);
HFONT MakeFont(const FontDesign& font);
std::wstring Wide(const std::string& utf8);

}  // namespace orlanek::windows::win32
