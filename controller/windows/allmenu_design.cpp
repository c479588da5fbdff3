#include "design.h"

namespace orlanek::windows {
namespace {

constexpr FontDesign kTitleFont{"標楷體", 24, 700, 136};
constexpr FontDesign kButtonFont{"新細明體", 9, 700, 136};

constexpr LabelDesign kLabels[] = {
    {"Label1",
     {1433, 140, 5535, 975},
     "Drosvane 術科考場測試程式",
     kTitleFont,
     system_colour::kButtonFace,
     system_colour::kButtonText,
     false,
     0},
};

// One button per exercise, index 0 at the top; the trailing blanks belong to the captions.
constexpr ButtonDesign kButtons[] = {
    {{1200, 1200, 6000, 420}, "第1題   40730-581501  單只LED向左移閃爍控制                   ", 1},
    {{1200, 1725, 6000, 420}, "第2題   40730-581502  單只LED向右移閃爍控制                   ", 2},
    {{1200, 2235, 6000, 420}, "第3題   40730-581503  兩只LED向左移閃爍控制                   ", 3},
    {{1200, 2730, 6000, 420}, "第4題   40730-581504  兩只LED向右移閃爍控制                   ", 4},
    {{1200, 3240, 6000, 420}, "第5題   40730-581505  LED向左逐一點亮控制                      ", 5},
    {{1200, 3750, 6000, 420}, "第6題   40730-581506  LED向右逐一點亮控制                      ", 6},
    {{1200, 4260, 6000, 420}, "第7題   40730-581507  LED由中間向左右兩側依序點亮控制   ", 7},
    {{1200, 4770, 6000, 420}, "第8題   40730-581508  LED由左右兩側向中間依序點亮控制   ", 8},
    {{1200, 5265, 6000, 420}, "第9題   40730-581509  LED由右向左再由左向右依序點亮控制", 9},
    {{1200, 5775, 6000, 420}, "第10題  40730-581510  LED由左向右再由右向左依序點亮控制", 10},
};

}  // namespace

const WindowDesign kAllMenuDesign{
    "allMenu",
    "",
    8400,
    6450,
    system_colour::kButtonFace,
    {"Command1", kButtons, kButtonFont, 0x00E0E0E0, system_colour::kButtonText},
    kLabels,
    {},
    nullptr,
};

}  // namespace orlanek::windows
