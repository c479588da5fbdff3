#include "core/id_text.h"

namespace varnel {
namespace {

constexpr std::size_t kFieldLength = 4;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string IdField(std::string_view path_text, std::string_view marker) {
  const std::size_t at = path_text.find(marker);
  if (at == std::string_view::npos) return std::string(kFieldLength, '0');
  return std::string(path_text.substr(at + marker.size(), kFieldLength));
}

std::int16_t HexValue(std::string_view field) {
  std::uint16_t value = 0;
  for (const char c : field) {
    const int digit = HexDigit(c);
    if (digit < 0) break;
    value = static_cast<std::uint16_t>(value << 4 | digit);
  }
  return static_cast<std::int16_t>(value);
}

}  // namespace varnel
