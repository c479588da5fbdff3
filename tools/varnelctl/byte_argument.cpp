#include "byte_argument.h"

#include <charconv>

namespace varnelctl {

bool ParseByte(std::string_view text, std::uint8_t* value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  unsigned parsed = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, parsed, base);
  if (text.empty() || error != std::errc{} || stop != end || parsed > 255) return false;
  *value = static_cast<std::uint8_t>(parsed);
  return true;
}

}  // namespace varnelctl
