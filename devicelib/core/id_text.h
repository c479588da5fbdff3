#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reading vendor and product ids out of device path texts.
namespace varnel {

// The four characters after the first occurrence of marker (fewer where the text ends
// sooner), or "0000" when the marker does not occur. Case-sensitive; never converted.
std::string IdField(std::string_view path_text, std::string_view marker);

// The leading hexadecimal digits of field as a 16-bit two's-complement value (0 for none).
std::int16_t HexValue(std::string_view field);

}  // namespace varnel
