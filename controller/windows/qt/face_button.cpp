#include "face_button.h"

#include <qdrawutil.h>

#include <QPainter>

namespace orlanek::windows::qt {

FaceButton::FaceButton(const QString& caption, const QColor& face, QWidget* parent)
    : QAbstractButton(parent), face_(face) {
  setText(caption);
  setFocusPolicy(Qt::StrongFocus);
}

void FaceButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const bool sunken = isDown();
  const QBrush face(face_);
  qDrawWinButton(&painter, rect(), palette(), sunken, &face);

  const QFontMetrics metrics(font());
  const int text_width = metrics.horizontalAdvance(text());
  const int shift = sunken ? 1 : 0;
  const int x = (width() - text_width) / 2 + shift;
  const int baseline = (height() - metrics.height()) / 2 + metrics.ascent() + shift;
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  painter.drawText(x, baseline, text());

  if (hasFocus()) {
    painter.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(4, 4, -5, -5));
  }
}

}  // namespace orlanek::windows::qt
