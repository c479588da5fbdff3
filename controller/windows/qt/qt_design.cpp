#include "qt_design.h"

namespace orlanek::windows::qt {
namespace {

struct FaceSubstitute {
  const char* designed;
  const char* installed;
};

// The Ming and Kai faces of Debian's fonts-arphic-uming and fonts-arphic-ukai.
constexpr FaceSubstitute kFaceSubstitutes[] = {
    {"新細明體", "AR PL UMing TW"},
    {"標楷體", "AR PL UKai TW"},
};

struct SystemColourRole {
  int index;
  QPalette::ColorRole role;
};

constexpr SystemColourRole kSystemColourRoles[] = {
    {SystemColourIndex(system_colour::kWindowBackground), QPalette::Base},
    {SystemColourIndex(system_colour::kWindowText), QPalette::Text},
    {SystemColourIndex(system_colour::kButtonFace), QPalette::Window},
    {SystemColourIndex(system_colour::kButtonText), QPalette::ButtonText},
};

}  // namespace

void InstallFaceSubstitutes() {
  for (const FaceSubstitute& face : kFaceSubstitutes) {
    QFont::insertSubstitution(QString::fromUtf8(face.designed), QString::fromUtf8(face.installed));
  }
}

QRect ToRect(const Box& box) {
  return {TwipsToPixels(box.left), TwipsToPixels(box.top), TwipsToPixels(box.width),
          TwipsToPixels(box.height)};
}

QColor ToColour(OleColour colour, const QPalette& palette) {
  if (IsSystemColour(colour)) {
    for (const SystemColourRole& entry : kSystemColourRoles) {
      if (entry.index == SystemColourIndex(colour)) return palette.color(entry.role);
    }
    return palette.color(QPalette::Window);
  }
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

QFont ToFont(const FontDesign& font) {
  QFont result(QString::fromUtf8(font.face));
  result.setPointSizeF(font.points);
  result.setWeight(static_cast<QFont::Weight>(font.weight));
  return result;
}

}  // namespace orlanek::windows::qt
