#include "form.h"

#include <string>

#include "../program_life.h"
#include "../runtime_error.h"

namespace orlanek::windows {
namespace {

Toolkit* toolkit = nullptr;

}  // namespace

void SetToolkit(Toolkit* new_toolkit) {
  toolkit = new_toolkit;
}

Form::Form(const WindowDesign& design) : design_(design) {}

Form::~Form() = default;

Form::State& Form::Loaded() {
  if (state_) return *state_;
  State& state = state_.emplace();
  state.title = design_.title;
  for (const LabelDesign& label : design_.labels) state.labels.emplace_back(label.caption);
  for (const ShapeArrayDesign& array : design_.shape_arrays) {
    auto& shapes = state.shapes.emplace_back();
    for (const ShapeDesign& shape : array.shapes) {
      shapes.push_back({shape.fill_colour, shape.fill_style});
    }
  }
  state.timer_enabled = design_.timer && design_.timer->enabled;
  if (toolkit) peer_ = toolkit->MakePeer(*this);
  if (events_) events_->Load();
  return *state_;
}

void Form::Discard() {
  peer_.reset();
  state_.reset();
}

void Form::SetCaption(const std::string& title) {
  Loaded().title = title;
  if (peer_) peer_->SetTitle(title);
}

void Form::SetEnabled(bool enabled) {
  Loaded().enabled = enabled;
  if (peer_) peer_->SetEnabled(enabled);
}

void Form::SetVisible(bool visible) {
  Loaded().visible = visible;
  if (peer_) peer_->SetVisible(visible);
}

void Form::SetLabelCaption(int label, const std::string& caption) {
  Loaded().labels.at(label) = caption;
  if (peer_) peer_->SetLabelCaption(label, caption);
}

OleColour Form::ShapeFillColour(int array, int index) {
  return ShapeAt(array, index).fill_colour;
}

int Form::ShapeFillStyle(int array, int index) {
  return ShapeAt(array, index).fill_style;
}

void Form::SetShapeFillColour(int array, int index, OleColour colour) {
  ShapeAt(array, index).fill_colour = colour;
  PushShape(array, index);
}

void Form::SetShapeFillStyle(int array, int index, int fill_style) {
  if (fill_style != kFillSolid && fill_style != kFillTransparent) {
    throw RuntimeError("Invalid property value: FillStyle " + std::to_string(fill_style));
  }
  ShapeAt(array, index).fill_style = fill_style;
  PushShape(array, index);
}

void Form::PushShape(int array, int index) {
  const Shape& shape = ShapeAt(array, index);
  if (peer_) peer_->SetShapeFill(array, index, shape.fill_colour, shape.fill_style);
}

void Form::SetTimerEnabled(bool enabled) {
  Loaded().timer_enabled = enabled;
  if (peer_) peer_->SetTimerEnabled(enabled);
}

std::string Form::EventName(const char* event) const {
  return std::string(design_.name) + "." + event;
}

void Form::RaiseClick(std::int16_t index) {
  // A disabled window ignores clicks.
  if (!state_ || !state_->enabled) return;
  DeliverEvent(EventName("Command1_Click"), [&] {
    if (events_) events_->Click(index);
  });
}

void Form::RaiseUnload() {
  if (!state_) return;
  DeliverEvent(EventName("Form_Unload"), [&] {
    std::int16_t cancel = 0;
    if (events_) events_->Unload(cancel);
    if (cancel == 0) Discard();
  });
}

void Form::RaiseTimer() {
  // Ticks never arrive while the timer is off, whatever the toolkit has queued.
  if (!state_ || !state_->timer_enabled) return;
  DeliverEvent(EventName("Timer1_Timer"), [&] {
    if (events_) events_->Timer();
  });
}

void Form::NoSuchElement(const char* array, std::int16_t index) const {
  throw RuntimeError("Control array element '" + std::string(array) + "(" + std::to_string(index) +
                     ")' doesn't exist in " + design_.name);
}

}  // namespace orlanek::windows
