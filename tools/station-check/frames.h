#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

// The judged session tick by tick, as the picture draws it: kept in a file as the frames come,
// so that a long session's picture needs no more memory than a short one's.
namespace station_check {

// One event as the board showed it and as the reference would have shown it.
struct Frame {
  std::int64_t us = 0;
  bool present = true;  // the board was plugged in
  std::uint8_t green = 0, red = 0;
  std::uint8_t reference_green = 0, reference_red = 0;
};

class Frames {
 public:
  // Takes the file (closes it); null leaves nothing to read back.
  explicit Frames(std::FILE* spool);
  ~Frames();
  Frames(const Frames&) = delete;
  Frames& operator=(const Frames&) = delete;

  void Add(const Frame& frame);
  std::size_t size() const { return size_; }
  // Calls each with every frame in order; false when they cannot all be read back.
  bool Read(const std::function<void(const Frame&)>& each) const;

 private:
  std::FILE* spool_;
  std::size_t size_ = 0;
  bool failed_ = false;
};

}  // namespace station_check
