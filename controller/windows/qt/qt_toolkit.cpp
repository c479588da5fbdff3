#include "qt_toolkit.h"

#include <QPointer>
#include <map>

#include "qt_design.h"
#include "qt_window.h"

namespace orlanek::windows::qt {
namespace {

std::map<const Form*, QtWindow*> widgets;

class QtWindowPeer : public WindowPeer {
 public:
  explicit QtWindowPeer(Form& form) : form_(form), window_(new QtWindow(form)) {
    widgets[&form_] = window_;
  }

  // The close box's event may still be on the stack: the widget goes once it has returned.
  ~QtWindowPeer() override {
    widgets.erase(&form_);
    if (window_) {
      window_->hide();
      window_->deleteLater();
    }
  }

  void SetTitle(const std::string& title) override {
    window_->setTitle(QString::fromStdString(title));
  }
  void SetEnabled(bool enabled) override { window_->setEnabled(enabled); }
  void SetVisible(bool visible) override { window_->showWindow(visible); }
  void SetLabelCaption(int label, const std::string& caption) override {
    window_->labels()
        .at(static_cast<std::size_t>(label))
        ->setCaption(QString::fromStdString(caption));
  }
  void SetShapeFill(int array, int index, OleColour colour, int fill_style) override {
    window_->shape(array, index)->setFill(ToColour(colour, window_->palette()), fill_style);
  }
  void SetTimerEnabled(bool enabled) override {
    // Enabling a running timer keeps its rhythm.
    if (!enabled) {
      window_->timer().stop();
    } else if (!window_->timer().isActive()) {
      window_->timer().start();
    }
  }

 private:
  Form& form_;
  QPointer<QtWindow> window_;
};

}  // namespace

std::unique_ptr<WindowPeer> QtToolkit::MakePeer(Form& form) {
  return std::make_unique<QtWindowPeer>(form);
}

QtWindow* WidgetOf(Form& form) {
  const auto found = widgets.find(&form);
  return found == widgets.end() ? nullptr : found->second;
}

}  // namespace orlanek::windows::qt
