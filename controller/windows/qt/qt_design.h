#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>

#include "../design.h"

// Design values in Qt's terms: twips to logical pixels, Windows colour values to colours,
// designed faces to installed ones.
namespace orlanek::windows::qt {

// Maps the designed faces to installed Traditional Chinese faces; once, at start-up.
void InstallFaceSubstitutes();

QRect ToRect(const Box& box);
QColor ToColour(OleColour colour, const QPalette& palette);
QFont ToFont(const FontDesign& font);

}  // namespace orlanek::windows::qt
