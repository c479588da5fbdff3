#include "forms.h"

namespace orlanek::windows {

LabelControl AllMenu::Label1() {
  Touch();
  return {*this, 0};
}

LabelControl FrmMain::Label1() {
  Touch();
  return {*this, 0};
}

LabelControl FrmMain::Label2() {
  Touch();
  return {*this, 1};
}

TimerControl FrmMain::Timer1() {
  Touch();
  return TimerControl(*this);
}

ShapeControl FrmMain::Shape1(std::int16_t index) {
  return ShapeOf(0, index);
}

ShapeControl FrmMain::Shape2(std::int16_t index) {
  return ShapeOf(1, index);
}

ShapeControl FrmMain::ShapeOf(int array, std::int16_t index) {
  Touch();
  const ShapeArrayDesign& design = Design().shape_arrays[static_cast<std::size_t>(array)];
  if (index < 0 || static_cast<std::size_t>(index) >= design.shapes.size()) {
    NoSuchElement(design.name, index);
  }
  return {*this, array, index};
}

AllMenu& allMenu() {
  static AllMenu instance;
  return instance;
}

FrmMain& frmMain() {
  static FrmMain instance;
  return instance;
}

}  // namespace orlanek::windows
