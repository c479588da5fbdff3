#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "design.h"
#include "toolkit.h"

namespace orlanek::windows {

// The handlers a window's events go to. A window without a handler for an event ignores it.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void Load() {}
  virtual void Unload(std::int16_t& cancel) { static_cast<void>(cancel); }
  virtual void Click(std::int16_t index) { static_cast<void>(index); }
  virtual void Timer() {}
};

// A window's life: one shared instance, loaded (controls made from the design values, load
// handler run) by the first touch of any property or control, unloaded by its close box
// (controls destroyed, the instance kept), loaded again from the design values by the next
// touch. Every property read or write is a touch.
class Form {
 public:
  explicit Form(const WindowDesign& design);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();

  const WindowDesign& Design() const { return design_; }
  bool IsLoaded() const { return state_.has_value(); }  // not a touch
  void BindEvents(FormEvents* events) { events_ = events; }

  void Touch() { Loaded(); }
  // Destroys the controls without raising any event: the program's end, or a test's reset.
  void Discard();
  std::string Caption() { return Loaded().title; }
  void SetCaption(const std::string& title);
  bool Enabled() { return Loaded().enabled; }
  void SetEnabled(bool enabled);
  bool Visible() { return Loaded().visible; }
  void SetVisible(bool visible);

  // Control access by position in the design tables; indices are checked by the callers
  // that name the controls (see forms.h).
  std::string LabelCaption(int label) { return Loaded().labels.at(label); }
  void SetLabelCaption(int label, const std::string& caption);
  OleColour ShapeFillColour(int array, int index);
  int ShapeFillStyle(int array, int index);
  void SetShapeFillColour(int array, int index, OleColour colour);
  void SetShapeFillStyle(int array, int index, int fill_style);
  bool TimerEnabled() { return Loaded().timer_enabled; }
  void SetTimerEnabled(bool enabled);

  // Raised by the toolkit; each goes through the event gate to its handler.
  void RaiseClick(std::int16_t index);
  void RaiseUnload();
  void RaiseTimer();

 protected:
  // Raises the run-time error of a control array element that does not exist.
  [[noreturn]] void NoSuchElement(const char* array, std::int16_t index) const;

 private:
  struct Shape {
    OleColour fill_colour;
    int fill_style;
  };
  struct State {
    std::string title;
    bool enabled = true;
    bool visible = false;
    std::vector<std::string> labels;
    std::vector<std::vector<Shape>> shapes;
    bool timer_enabled = false;
  };

  State& Loaded();
  Shape& ShapeAt(int array, int index) { return Loaded().shapes.at(array).at(index); }
  void PushShape(int array, int index);
  std::string EventName(const char* event) const;

  const WindowDesign& design_;
  FormEvents* events_ = nullptr;
  std::optional<State> state_;
  std::unique_ptr<WindowPeer> peer_;
};

}  // namespace orlanek::windows
