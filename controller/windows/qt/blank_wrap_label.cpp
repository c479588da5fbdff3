#include "blank_wrap_label.h"

#include <QPainter>

#include "windows/blank_wrap.h"

namespace orlanek::windows::qt {

QStringList WrapAtBlanks(const QString& text, const std::function<int(const QString&)>& width_of,
                         int width) {
  QStringList lines;
  for (const std::u16string& line : windows::WrapAtBlanks(
           text.toStdU16String(),
           [&](const std::u16string& part) { return width_of(QString::fromStdU16String(part)); },
           width)) {
    lines << QString::fromStdU16String(line);
  }
  return lines;
}

BlankWrapLabel::BlankWrapLabel(const QString& caption, bool border, QWidget* parent)
    : QFrame(parent), caption_(caption) {
  if (border) setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::NoFocus);
}

void BlankWrapLabel::setCaption(const QString& caption) {
  caption_ = caption;
  update();
}

QStringList BlankWrapLabel::lines() const {
  const QFontMetrics metrics(font());
  return WrapAtBlanks(
      caption_, [&](const QString& text) { return metrics.horizontalAdvance(text); },
      contentsRect().width());
}

void BlankWrapLabel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect box = contentsRect();
  painter.setClipRect(box);
  painter.setPen(palette().color(QPalette::WindowText));
  const QFontMetrics metrics(font());
  int top = box.top();
  for (const QString& line : lines()) {
    if (top >= box.bottom()) break;
    QString shown = line;
    while (shown.endsWith(u' ')) shown.chop(1);
    const int x = box.left() + (box.width() - metrics.horizontalAdvance(shown)) / 2;
    painter.drawText(x, top + metrics.ascent(), shown);
    top += metrics.height();
  }
}

}  // namespace orlanek::windows::qt
