#pragma once

#include <QAbstractButton>
#include <QColor>

namespace orlanek::windows::qt {

// A command button whose face is painted in its own colour, with the raised edge of a
// classic push button and the caption on one line, centred as a whole string with its
// trailing blanks.
class FaceButton : public QAbstractButton {
 public:
  FaceButton(const QString& caption, const QColor& face, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor face_;
};

}  // namespace orlanek::windows::qt
