#pragma once

#include <memory>
#include <string>

#include "design.h"

namespace orlanek::windows {

class Form;

// One loaded window as a toolkit shows it: made from the form's design when the form loads
// (hidden, every control at its design value), destroyed when the form unloads. The form
// tells it every change; it tells the form of clicks, ticks and the close box.
class WindowPeer {
 public:
  virtual ~WindowPeer() = default;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetLabelCaption(int label, const std::string& caption) = 0;
  virtual void SetShapeFill(int array, int index, OleColour colour, int fill_style) = 0;
  virtual void SetTimerEnabled(bool enabled) = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  virtual std::unique_ptr<WindowPeer> MakePeer(Form& form) = 0;
};

// The toolkit that loaded forms are shown with; without one, forms keep their state unshown.
void SetToolkit(Toolkit* toolkit);

}  // namespace orlanek::windows
