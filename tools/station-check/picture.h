#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "frames.h"
#include "judge.h"

// A checked session drawn tick by tick: the sixteen LEDs as the board showed them beside the
// reference's, the ticks where they differ marked.
namespace station_check {

// Both are written as they are drawn, a band at a time from the frames' file, so a long
// session's picture is never held whole. False when the frames cannot be read back.
bool WritePictureSvg(const Verdict& verdict, const Frames& frames, std::ostream& out);
// The same picture as a PNG file, its text drawn in a small built-in font of ASCII alone: in
// English whatever the user's language. The SVG's text is in the user's language.
bool WritePicturePng(const Verdict& verdict, const Frames& frames, std::ostream& out);

// The pictures held whole, for the tests.
std::string PictureSvg(const Verdict& verdict, const Frames& frames);
std::vector<std::uint8_t> PicturePng(const Verdict& verdict, const Frames& frames);

}  // namespace station_check
