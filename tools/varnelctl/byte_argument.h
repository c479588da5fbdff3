#pragma once

#include <cstdint>
#include <string_view>

namespace varnelctl {

// A BYTE argument: decimal, or hexadecimal after 0x; a leading zero is not octal, so 010 is ten
// as a user reads it. Signs and blanks are refused.
bool ParseByte(std::string_view text, std::uint8_t* value);

}  // namespace varnelctl
