#include "board_protocol.h"
#include "design.h"

namespace orlanek::windows {
namespace {

constexpr FontDesign kButtonFont{"新細明體", 18, 700, 136};
constexpr FontDesign kClockFont{"新細明體", 26.25, 700, 136};
constexpr FontDesign kTagFont{"標楷體", 26.25, 700, 136};

constexpr ButtonDesign kButtons[] = {
    {{1440, 3840, 2200, 750}, "Green LED", 0},
    {{4730, 3840, 2200, 750}, "Red LED", 1},
    {{3120, 5160, 2200, 750}, "EXIT", 2},
};

constexpr LabelDesign kLabels[] = {
    {"Label1",
     {960, 600, 6495, 1575},
     "",
     kClockFont,
     0x00FFFFFF,
     system_colour::kButtonText,
     true,
     3},
    {"Label2",
     {600, 5280, 2295, 495},
     "範例程式",
     kTagFont,
     system_colour::kWindowBackground,
     0x000000FF,
     false,
     4},
};

constexpr Twips kShapeTop = 2760;
constexpr Twips kShapeSize = 345;
constexpr OleColour kGreenDark = 0x00008000;
constexpr OleColour kRedDark = 0x00000080;

constexpr ShapeDesign GreenShape(Twips left) {
  return {{left, kShapeTop, kShapeSize, kShapeSize}, kGreenDark, kFillSolid};
}
constexpr ShapeDesign RedShape(Twips left) {
  return {{left, kShapeTop, kShapeSize, kShapeSize}, kRedDark, kFillSolid};
}

// By index: index 0 is the rightmost shape of its row, index 7 the leftmost.
constexpr ShapeDesign kShape1[] = {GreenShape(3810), GreenShape(3405), GreenShape(3000),
                                   GreenShape(2595), GreenShape(2190), GreenShape(1770),
                                   GreenShape(1365), GreenShape(960)};
constexpr ShapeDesign kShape2[] = {RedShape(7080), RedShape(6675), RedShape(6270), RedShape(5850),
                                   RedShape(5445), RedShape(5040), RedShape(4635), RedShape(4230)};

constexpr ShapeArrayDesign kShapeArrays[] = {{"Shape1", kShape1}, {"Shape2", kShape2}};

constexpr TimerDesign kTimer1{"Timer1", board::kTickMs, true};

}  // namespace

const WindowDesign kFrmMainDesign{
    "frmMain",
    "Drosvane第1題 (範例程式)",
    8400,
    6450,
    system_colour::kButtonFace,
    {"Command1", kButtons, kButtonFont, 0x00E0E0E0, system_colour::kButtonText},
    kLabels,
    kShapeArrays,
    &kTimer1,
};

}  // namespace orlanek::windows
