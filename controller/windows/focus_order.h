#pragma once

#include <cstddef>
#include <vector>

#include "windows/design.h"

namespace orlanek::windows {

// The buttons' indices in the order Tab walks them: by their tab indices, as designed. The
// first one takes the focus when its window shows.
std::vector<std::size_t> FocusOrder(const ButtonArrayDesign& buttons);

}  // namespace orlanek::windows
