#include "core/id_text.h"

#include "hex_digit.h"

namespace varnel {
namespace {

constexpr std::size_t kFieldLength = 4;

}  // namespace

std::string IdField(std::string_view path_text, std::string_view marker) {
  const std::size_t at = path_text.find(marker);
  if (at == std::string_view::npos) return std::string(kFieldLength, '0');
  return std::string(path_text.substr(at + marker.size(), kFieldLength));
}

std::int16_t HexValue(std::string_view field) {
  std::uint16_t value = 0;
  for (const char c : field) {
    const int digit = HexDigitValue(c);
    if (digit < 0) break;
    value = static_cast<std::uint16_t>(value << 4 | digit);
  }
  return static_cast<std::int16_t>(value);
}

}  // namespace varnel
