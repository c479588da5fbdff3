#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orlanek::windows {

// Breaks text into lines no wider than width, at blanks only (never inside a run of Chinese
// characters). The blanks at a break are dropped; leading blanks stay on the first line and
// may fill it alone. A word wider than a line gets a line of its own. Each toolkit measures.
std::vector<std::u16string> WrapAtBlanks(const std::u16string& text,
                                         const std::function<int(const std::u16string&)>& width_of,
                                         int width);

}  // namespace orlanek::windows
