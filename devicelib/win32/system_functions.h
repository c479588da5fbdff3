#pragma once

#include <windows.h>

// The functions of setupapi.dll, hid.dll and kernel32 the library calls, bound by library and
// function name at their first call and kept for the life of the process. A library or
// function that cannot be found binds to nothing, and the call reports failure.
namespace varnel::windows {

template <typename Function>
class SystemFunction {
 public:
  constexpr SystemFunction(const char* library, const char* name)
      : library_(library), name_(name) {}

  // The bound function, or null when it is not to be had.
  Function* Get() {
    if (!bound_) {
      bound_ = true;
      if (HMODULE module = LoadLibraryA(library_)) {
        function_ =
            reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name_)));
      }
    }
    return function_;
  }

 private:
  const char* library_;
  const char* name_;
  bool bound_ = false;
  Function* function_ = nullptr;
};

// WriteFile, shared by the session log and the virtual board's pipe.
using WriteFileFunction = BOOL WINAPI(HANDLE, const void*, DWORD, DWORD*, OVERLAPPED*);
inline SystemFunction<WriteFileFunction> write_file("kernel32", "WriteFile");

}  // namespace varnel::windows
