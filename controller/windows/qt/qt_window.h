#pragma once

#include <QTimer>
#include <QWidget>
#include <vector>

#include "../form.h"
#include "blank_wrap_label.h"
#include "face_button.h"
#include "led_shape.h"

namespace orlanek::windows::qt {

// A loaded form as a Qt top-level widget, built from the form's design: a fixed client area,
// the Command1 buttons, the labels, the shape arrays and the timer.
class QtWindow : public QWidget {
 public:
  explicit QtWindow(Form& form);

  const std::vector<FaceButton*>& buttons() const { return buttons_; }
  const std::vector<BlankWrapLabel*>& labels() const { return labels_; }
  LedShape* shape(int array, int index) const;
  QTimer& timer() { return timer_; }

  // Shows or hides the window; the first showing centres it on its screen.
  void showWindow(bool visible);
  void setTitle(const QString& title);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Form& form_;
  std::vector<FaceButton*> buttons_;
  std::vector<BlankWrapLabel*> labels_;
  std::vector<std::vector<LedShape*>> shapes_;
  FaceButton* first_in_focus_order_ = nullptr;
  QTimer timer_;
  bool shown_before_ = false;
};

}  // namespace orlanek::windows::qt
