#include "blank_wrap_label.h"

#include <QPainter>

namespace orlanek::windows::qt {

QStringList WrapAtBlanks(const QString& text, const std::function<int(const QString&)>& width_of,
                         int width) {
  QStringList lines;
  QString line;
  qsizetype i = 0;
  while (i < text.size() && text[i] == u' ') line += text[i++];
  while (i < text.size()) {
    qsizetype blanks_end = i;
    while (blanks_end < text.size() && text[blanks_end] == u' ') ++blanks_end;
    qsizetype word_end = blanks_end;
    while (word_end < text.size() && text[word_end] != u' ') ++word_end;
    const QString blanks = text.mid(i, blanks_end - i);
    const QString word = text.mid(blanks_end, word_end - blanks_end);
    i = word_end;
    if (line.isEmpty()) {
      line = word;
    } else if (width_of(line + blanks + word) <= width) {
      line += blanks + word;
    } else {
      lines << line;
      line = word;
    }
  }
  if (!line.isEmpty() || lines.isEmpty()) lines << line;
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
