#pragma once

#include <memory>

#include "../toolkit.h"

namespace orlanek::windows::qt {

class QtWindow;

// Shows forms as Qt widgets.
class QtToolkit : public Toolkit {
 public:
  std::unique_ptr<WindowPeer> MakePeer(Form& form) override;
};

// The widget that shows a loaded form, or null when it is not loaded (for tests and tools).
QtWindow* WidgetOf(Form& form);

}  // namespace orlanek::windows::qt
