#pragma once

#include <stdexcept>
#include <string>

namespace orlanek {

// A run-time error of the controller: an index outside its bounds, an overflow, a failing
// window operation, a library function that cannot be bound. Nothing traps it; it travels to
// the event gate, which reports it and ends the program.
class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace orlanek
