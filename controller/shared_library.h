#pragma once

#include <string>

namespace orlanek {

// Run-time loading of a shared library by file name through the platform's standard search,
// and of a function by its exported name. Failures come back as null with the reason.
namespace shared_library {

void* Open(const char* file_name, std::string& reason);
void* Function(void* library, const char* name, std::string& reason);

}  // namespace shared_library
}  // namespace orlanek
