#pragma once

#include <QFrame>
#include <QString>
#include <QStringList>
#include <functional>

namespace orlanek::windows::qt {

// windows::WrapAtBlanks for Qt's strings.
QStringList WrapAtBlanks(const QString& text, const std::function<int(const QString&)>& width_of,
                         int width);

// A label of fixed size that wraps its caption at blanks, centres each line and cuts off the
// lines below its box; with a border, the box has a sunken edge.
class BlankWrapLabel : public QFrame {
 public:
  BlankWrapLabel(const QString& caption, bool border, QWidget* parent);
  QString caption() const { return caption_; }
  void setCaption(const QString& caption);
  QStringList lines() const;  // as wrapped in the box now

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

}  // namespace orlanek::windows::qt
