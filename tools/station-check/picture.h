#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "judge.h"

// A checked session drawn tick by tick: the sixteen LEDs as the board showed them beside the
// reference's, the ticks where they differ marked.
namespace station_check {

std::string PictureSvg(const Verdict& verdict);
// The same picture as a PNG file's bytes, its text drawn in a small built-in font.
std::vector<std::uint8_t> PicturePng(const Verdict& verdict);

}  // namespace station_check
