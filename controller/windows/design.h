#pragma once

#include <cstdint>
#include <span>

// The windows as designed, in the units they were designed in: twips, points and Windows
// colour values. Toolkits convert them at one place (TwipsToPixels, the colour and font
// mappings of each toolkit).
namespace orlanek::windows {

using Twips = int;

// &H00BBGGRR, red in the low byte; &H800000nn stands for system colour nn of the scheme.
using OleColour = std::uint32_t;

inline constexpr Twips kTwipsPerPixel = 15;

// Logical pixels, rounded to the nearest.
constexpr int TwipsToPixels(Twips twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// The system colours the design refers to.
namespace system_colour {
inline constexpr OleColour kWindowBackground = 0x80000005;  // COLOR_WINDOW
inline constexpr OleColour kWindowText = 0x80000008;        // COLOR_WINDOWTEXT
inline constexpr OleColour kButtonFace = 0x8000000F;        // COLOR_BTNFACE
inline constexpr OleColour kButtonText = 0x80000012;        // COLOR_BTNTEXT
}  // namespace system_colour

inline constexpr bool IsSystemColour(OleColour colour) {
  return (colour & 0xFF000000) == 0x80000000;
}
inline constexpr int SystemColourIndex(OleColour colour) {
  return static_cast<int>(colour & 0xFF);
}

struct FontDesign {
  const char* face;  // as designed; each toolkit maps it to an installed face
  double points;
  int weight;   // 700 is bold
  int charset;  // 136, Chinese Big5
};

struct Box {
  Twips left, top, width, height;
};

struct ButtonDesign {
  Box box;
  const char* caption;
  int tab_index;
};

struct LabelDesign {
  const char* name;
  Box box;
  const char* caption;
  FontDesign font;
  OleColour back_colour;
  OleColour fore_colour;
  bool border;  // a fixed single border, drawn as a sunken edge
  int tab_index;
};

// A circle of the shape arrays: filled (fill style 0) or outline only (1); the outline is
// one pixel in the window-text colour.
struct ShapeDesign {
  Box box;
  OleColour fill_colour;
  int fill_style;
};

inline constexpr int kFillSolid = 0;
inline constexpr int kFillTransparent = 1;

struct ShapeArrayDesign {
  const char* name;
  std::span<const ShapeDesign> shapes;  // by index
};

// One command-button control array, Command1, whose buttons share font and face colour.
struct ButtonArrayDesign {
  const char* name;
  std::span<const ButtonDesign> buttons;  // by index
  FontDesign font;
  OleColour face_colour;
  OleColour text_colour;
};

struct TimerDesign {
  const char* name;
  int interval_ms;
  bool enabled;
};

struct WindowDesign {
  const char* name;
  const char* title;
  Twips client_width;
  Twips client_height;
  OleColour back_colour;
  ButtonArrayDesign command1;
  std::span<const LabelDesign> labels;  // Label1, Label2, ...
  std::span<const ShapeArrayDesign> shape_arrays;
  const TimerDesign* timer;  // null for a window without a timer
};

extern const WindowDesign kAllMenuDesign;
extern const WindowDesign kFrmMainDesign;

}  // namespace orlanek::windows
