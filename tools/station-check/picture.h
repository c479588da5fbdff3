#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "judge.h"

// A checked session drawn tick by tick: the sixteen LEDs as the board showed them beside the
// reference's, the ticks where they differ marked.
namespace station_check {

// Both are written as they are drawn, a band at a time, so a long session's picture is never
// held whole.
void WritePictureSvg(const Verdict& verdict, std::ostream& out);
// The same picture as a PNG file, its text drawn in a small built-in font.
void WritePicturePng(const Verdict& verdict, std::ostream& out);

// The pictures held whole, for the tests.
std::string PictureSvg(const Verdict& verdict);
std::vector<std::uint8_t> PicturePng(const Verdict& verdict);

}  // namespace station_check
