#pragma once

#include <QColor>
#include <QWidget>

namespace orlanek::windows::qt {

// A circle of the LED rows: filled with its fill colour (fill style 0) or outline only (1);
// the one-pixel outline is always drawn in the window-text colour.
class LedShape : public QWidget {
 public:
  LedShape(const QColor& fill, int fill_style, QWidget* parent);
  void setFill(const QColor& fill, int fill_style);
  QColor fillColour() const { return fill_; }
  int fillStyle() const { return fill_style_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor fill_;
  int fill_style_;
};

}  // namespace orlanek::windows::qt
