#include <windows.h>

#include "shared_library.h"

namespace orlanek::shared_library {
namespace {

std::string LastError() {
  return "system error " + std::to_string(GetLastError());
}

}  // namespace

void* Open(const char* file_name, std::string& reason) {
  HMODULE library = LoadLibraryA(file_name);
  if (!library) reason = LastError();
  return reinterpret_cast<void*>(library);
}

void* Function(void* library, const char* name, std::string& reason) {
  void* function = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
  if (!function) reason = LastError();
  return function;
}

}  // namespace orlanek::shared_library
