#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime_error.h"

namespace orlanek {

// The controller's working integer: 16-bit signed, with overflow raised as a run-time error.
class Int16 {
 public:
  constexpr Int16() = default;
  constexpr Int16(std::int16_t value) : value_(value) {}  // NOLINT: plain values convert
  constexpr operator std::int16_t() const { return value_; }

  friend Int16 operator+(Int16 a, Int16 b) { return Checked(std::int32_t{a} + std::int32_t{b}); }
  friend Int16 operator-(Int16 a, Int16 b) { return Checked(std::int32_t{a} - std::int32_t{b}); }

 private:
  static Int16 Checked(std::int32_t wide) {
    if (wide < INT16_MIN || wide > INT16_MAX) throw RuntimeError("Overflow");
    return Int16(static_cast<std::int16_t>(wide));
  }
  std::int16_t value_ = 0;
};

// A fixed array whose every access checks the index against its bounds first.
template <typename T, std::size_t Size>
class CheckedArray {
 public:
  T& operator[](std::int32_t index) { return values_[Checked(index)]; }
  const T& operator[](std::int32_t index) const { return values_[Checked(index)]; }
  static constexpr std::int32_t UpperBound() { return static_cast<std::int32_t>(Size) - 1; }

 private:
  static std::size_t Checked(std::int32_t index) {
    if (index < 0 || index > UpperBound()) {
      throw RuntimeError("Subscript out of range: " + std::to_string(index));
    }
    return static_cast<std::size_t>(index);
  }
  std::array<T, Size> values_{};
};

}  // namespace orlanek
