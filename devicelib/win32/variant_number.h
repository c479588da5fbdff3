#pragma once

#include <windows.h>
// windows.h comes first: the OLE Automation header needs its types.
#include <oaidl.h>

#include <cstdint>
#include <optional>

namespace varnel::windows {

// The number a caller passes by reference, as a 32-bit integer: any numeric subtype, also by
// reference, numeric text, following variants that refer to other variants. Nothing when it
// holds no number (empty, null, an object, text that is not numeric, a value out of range) or
// the reference is null.
std::optional<std::int32_t> VariantNumber(const VARIANT* variant);

}  // namespace varnel::windows
