#pragma once

#include <QWidget>

namespace orlanek::windows::qt {

// Qt shows the application's name in the title bar of a window whose title is empty; the
// menu window is designed with an empty title bar, so on X11 the name is taken out again.
// Called whenever the title is set and after the window is first shown.
void KeepEmptyTitleEmpty(QWidget& window);

}  // namespace orlanek::windows::qt
