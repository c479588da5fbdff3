// The C form of the library's interface: texts cross as malloc'd C strings.
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/core.h"
#include "varnel.h"

#define VARNEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The text up to its first NUL, as the caller's own copy; NULL for the empty text.
char* ToCallerText(const std::string& text) {
  const std::size_t length = std::strlen(text.c_str());
  if (length == 0) return nullptr;
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy != nullptr) std::memcpy(copy, text.c_str(), length + 1);
  return copy;
}

}  // namespace

VARNEL_EXPORT void CloseUsbDevice(void) {
  varnel::CloseUsbDevice();
}

VARNEL_EXPORT char* FindHidDevice(void) {
  return ToCallerText(varnel::FindHidDevice());
}

VARNEL_EXPORT char* FindVidPid(const int32_t* index) {
  if (index == nullptr) return nullptr;
  return ToCallerText(varnel::FindVidPid(*index));
}

VARNEL_EXPORT void GetDeviceCapabilities(void) {
  varnel::GetDeviceCapabilities();
}

VARNEL_EXPORT int16_t OpenDevice(const int32_t* index, const int16_t* vendor,
                                 const int16_t* product) {
  if (index == nullptr || vendor == nullptr || product == nullptr) return 0;
  return varnel::OpenDevice(*index, *vendor, *product);
}

VARNEL_EXPORT int16_t OpenUsbDevice(int16_t vendor, int16_t product) {
  return varnel::OpenUsbDevice(vendor, product);
}

VARNEL_EXPORT void OutDataCtrl(uint8_t data, uint8_t ctrl) {
  varnel::OutDataCtrl(data, ctrl);
}
