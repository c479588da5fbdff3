#include <dlfcn.h>

#include "shared_library.h"

namespace orlanek::shared_library {
namespace {

std::string LastError() {
  const char* error = dlerror();
  return error ? error : "unknown reason";
}

}  // namespace

void* Open(const char* file_name, std::string& reason) {
  void* library = dlopen(file_name, RTLD_NOW | RTLD_LOCAL);
  if (!library) reason = LastError();
  return library;
}

void* Function(void* library, const char* name, std::string& reason) {
  dlerror();
  void* function = dlsym(library, name);
  if (!function) reason = LastError();
  return function;
}

}  // namespace orlanek::shared_library
