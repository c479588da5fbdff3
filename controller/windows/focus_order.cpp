#include "windows/focus_order.h"

#include <algorithm>
#include <numeric>

namespace orlanek::windows {

std::vector<std::size_t> FocusOrder(const ButtonArrayDesign& buttons) {
  std::vector<std::size_t> order(buttons.buttons.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return buttons.buttons[a].tab_index < buttons.buttons[b].tab_index;
  });
  return order;
}

}  // namespace orlanek::windows
