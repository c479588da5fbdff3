#include "win32/variant_number.h"

#include <oleauto.h>

namespace varnel::windows {
namespace {

// Deep enough for any caller's chain of references, short enough to stop a cycle.
constexpr int kMostReferences = 16;

}  // namespace

std::optional<std::int32_t> VariantNumber(const VARIANT* variant) {
  for (int i = 0; variant != nullptr && V_VT(variant) == (VT_VARIANT | VT_BYREF); ++i) {
    if (i == kMostReferences) return std::nullopt;
    variant = V_VARIANTREF(variant);
  }
  if (variant == nullptr) return std::nullopt;
  const VARTYPE type = V_VT(variant) & ~VT_BYREF;
  if (type == VT_EMPTY || type == VT_NULL || type == VT_DISPATCH || type == VT_UNKNOWN ||
      type == VT_ERROR || (V_VT(variant) & VT_ARRAY) != 0) {
    return std::nullopt;
  }
  if ((V_VT(variant) & VT_BYREF) != 0 && V_BYREF(variant) == nullptr) return std::nullopt;

  VARIANT number;
  VariantInit(&number);
  if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(variant), 0, VT_I4))) {
    return std::nullopt;
  }
  return V_I4(&number);
}

}  // namespace varnel::windows
