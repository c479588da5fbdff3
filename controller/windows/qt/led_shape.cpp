#include "led_shape.h"

#include <QPainter>

#include "qt_design.h"

namespace orlanek::windows::qt {

LedShape::LedShape(const QColor& fill, int fill_style, QWidget* parent)
    : QWidget(parent), fill_(fill), fill_style_(fill_style) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void LedShape::setFill(const QColor& fill, int fill_style) {
  fill_ = fill;
  fill_style_ = fill_style;
  update();
}

void LedShape::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(QPen(ToColour(system_colour::kWindowText, palette()), 1));
  painter.setBrush(fill_style_ == kFillSolid ? QBrush(fill_) : QBrush(Qt::NoBrush));
  painter.drawEllipse(rect().adjusted(0, 0, -1, -1));
}

}  // namespace orlanek::windows::qt
