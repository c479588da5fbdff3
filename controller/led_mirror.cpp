#include <cstdint>

#include "combapi.h"
#include "led_colours.h"
#include "windows/forms.h"

namespace orlanek {
namespace {

using windows::frmMain;
// Every shape of the row is written, lit or dark, whether it changes or not.
template <typename ShapeOf>
void PaintRow(ShapeOf shape_of, const RowColours& colours, std::uint8_t value) {
  for (std::int16_t i = 0; i < 8; ++i) {
    const unsigned mask = 1u << i;
    shape_of(i).SetFillColor((value & mask) == mask ? colours.lit : colours.dark);
  }
}

void MarkAll(int fill_style) {
  for (std::int16_t i = 0; i < 8; ++i) {
    frmMain().Shape1(i).SetFillStyle(fill_style);
    frmMain().Shape2(i).SetFillStyle(fill_style);
  }
}

}  // namespace

void ShowGreenLeds(std::uint8_t value) {
  PaintRow([](std::int16_t i) { return frmMain().Shape1(i); }, kGreenRow, value);
}

void ShowRedLeds(std::uint8_t value) {
  PaintRow([](std::int16_t i) { return frmMain().Shape2(i); }, kRedRow, value);
}

void MarkBoardPresent() {
  MarkAll(windows::kFillSolid);
}

void MarkBoardAbsent() {
  MarkAll(windows::kFillTransparent);
}

}  // namespace orlanek
