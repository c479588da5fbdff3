#include "qt_window.h"

#include <QCloseEvent>
#include <QScreen>

#include "qt_design.h"
#include "windows/focus_order.h"
#include "x11_title.h"

namespace orlanek::windows::qt {

QtWindow::QtWindow(Form& form) : form_(form) {
  const WindowDesign& design = form.Design();
  setWindowTitle(QString::fromUtf8(design.title));
  setFixedSize(TwipsToPixels(design.client_width), TwipsToPixels(design.client_height));
  QPalette window_palette = palette();
  window_palette.setColor(QPalette::Window, ToColour(design.back_colour, palette()));
  setPalette(window_palette);
  setAutoFillBackground(true);

  const ButtonArrayDesign& command1 = design.command1;
  for (std::size_t i = 0; i < command1.buttons.size(); ++i) {
    const ButtonDesign& button_design = command1.buttons[i];
    auto* button = new FaceButton(QString::fromUtf8(button_design.caption),
                                  ToColour(command1.face_colour, palette()), this);
    button->setGeometry(ToRect(button_design.box));
    button->setFont(ToFont(command1.font));
    QPalette button_palette = button->palette();
    button_palette.setColor(QPalette::ButtonText, ToColour(command1.text_colour, palette()));
    button->setPalette(button_palette);
    const auto index = static_cast<std::int16_t>(i);
    connect(button, &QAbstractButton::clicked, this, [this, index] { form_.RaiseClick(index); });
    buttons_.push_back(button);
  }
  // Focus order follows the design's tab indices; the labels and shapes take no focus.
  const std::vector<std::size_t> tab_order = FocusOrder(command1);
  for (std::size_t i = 1; i < tab_order.size(); ++i) {
    setTabOrder(buttons_[tab_order[i - 1]], buttons_[tab_order[i]]);
  }
  if (!tab_order.empty()) {
    first_in_focus_order_ = buttons_[tab_order.front()];
    first_in_focus_order_->setFocus();
  }

  for (const LabelDesign& label_design : design.labels) {
    auto* label =
        new BlankWrapLabel(QString::fromUtf8(label_design.caption), label_design.border, this);
    label->setGeometry(ToRect(label_design.box));
    label->setFont(ToFont(label_design.font));
    QPalette label_palette = label->palette();
    label_palette.setColor(QPalette::Window, ToColour(label_design.back_colour, palette()));
    label_palette.setColor(QPalette::WindowText, ToColour(label_design.fore_colour, palette()));
    label->setPalette(label_palette);
    labels_.push_back(label);
  }

  for (const ShapeArrayDesign& array : design.shape_arrays) {
    auto& shapes = shapes_.emplace_back();
    for (const ShapeDesign& shape_design : array.shapes) {
      auto* shape = new LedShape(ToColour(shape_design.fill_colour, palette()),
                                 shape_design.fill_style, this);
      shape->setGeometry(ToRect(shape_design.box));
      shapes.push_back(shape);
    }
  }

  if (design.timer) {
    timer_.setInterval(design.timer->interval_ms);
    // A coarse timer may fire 5 % off the second; the station's clock and steps should not.
    timer_.setTimerType(Qt::PreciseTimer);
    // A tick that finds the timer stopped in the meantime is dropped by the form.
    connect(&timer_, &QTimer::timeout, this, [this] { form_.RaiseTimer(); });
    if (design.timer->enabled) timer_.start();
  }
}

LedShape* QtWindow::shape(int array, int index) const {
  return shapes_.at(static_cast<std::size_t>(array)).at(static_cast<std::size_t>(index));
}

void QtWindow::showWindow(bool visible) {
  const bool first_showing = visible && !shown_before_;
  const QPoint screen_centre = screen()->availableGeometry().center();
  if (first_showing) move(screen_centre - rect().center());
  // Disabling the window took the focus away; it comes back to the first button.
  if (visible && !focusWidget() && first_in_focus_order_) first_in_focus_order_->setFocus();
  setVisible(visible);
  if (first_showing) {
    shown_before_ = true;
    move(pos() + screen_centre - frameGeometry().center());  // now that the frame is known
  }
  KeepEmptyTitleEmpty(*this);
}

void QtWindow::setTitle(const QString& title) {
  setWindowTitle(title);
  KeepEmptyTitleEmpty(*this);
}

void QtWindow::closeEvent(QCloseEvent* event) {
  // The form decides: its unload handler runs, then the form destroys this window.
  event->ignore();
  form_.RaiseUnload();
}

}  // namespace orlanek::windows::qt
