// varnelctl's BYTE argument is typed by a person.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "byte_argument.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::uint8_t value = 0;
  if (!varnelctl::ParseByte(text, &value)) return 0;
  // Only plain decimal digits, or 0x and hexadecimal digits, make a byte.
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex) text.remove_prefix(2);
  FuzzCheck(!text.empty() && text.find_first_not_of(hex ? "0123456789abcdefABCDEF"
                                                        : "0123456789") == std::string_view::npos,
            "a BYTE taken from text that is not a number");
  return 0;
}
