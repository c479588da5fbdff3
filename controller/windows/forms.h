#pragma once

#include <cstdint>
#include <string>

#include "form.h"

// The two windows as the controller's logic sees them: the shared instances allMenu and
// frmMain and their controls by name, with no toolkit type in sight.
namespace orlanek::windows {

class LabelControl {
 public:
  LabelControl(Form& form, int label) : form_(form), label_(label) {}
  std::string Caption() const { return form_.LabelCaption(label_); }
  void SetCaption(const std::string& caption) const { form_.SetLabelCaption(label_, caption); }

 private:
  Form& form_;
  int label_;
};

class ShapeControl {
 public:
  ShapeControl(Form& form, int array, int index) : form_(form), array_(array), index_(index) {}
  OleColour FillColor() const { return form_.ShapeFillColour(array_, index_); }
  void SetFillColor(OleColour colour) const { form_.SetShapeFillColour(array_, index_, colour); }
  int FillStyle() const { return form_.ShapeFillStyle(array_, index_); }
  void SetFillStyle(int fill_style) const { form_.SetShapeFillStyle(array_, index_, fill_style); }

 private:
  Form& form_;
  int array_;
  int index_;
};

class TimerControl {
 public:
  explicit TimerControl(Form& form) : form_(form) {}
  bool Enabled() const { return form_.TimerEnabled(); }
  void SetEnabled(bool enabled) const { form_.SetTimerEnabled(enabled); }
  int Interval() const { return form_.Design().timer->interval_ms; }

 private:
  Form& form_;
};

// The menu window.
class AllMenu : public Form {
 public:
  AllMenu() : Form(kAllMenuDesign) {}
  LabelControl Label1();
};

// The run window.
class FrmMain : public Form {
 public:
  FrmMain() : Form(kFrmMainDesign) {}
  LabelControl Label1();
  LabelControl Label2();
  TimerControl Timer1();
  ShapeControl Shape1(std::int16_t index);  // the green row, index 0 rightmost
  ShapeControl Shape2(std::int16_t index);  // the red row, index 0 rightmost

 private:
  ShapeControl ShapeOf(int array, std::int16_t index);
};

// The shared instances, created on first reference.
AllMenu& allMenu();
FrmMain& frmMain();

}  // namespace orlanek::windows
