#include "frames.h"

namespace station_check {
namespace {

// A frame in the spool: its time (little-endian), whether the board was there, the four rows.
constexpr std::size_t kTimeBytes = 8, kFrameBytes = kTimeBytes + 5;

}  // namespace

Frames::Frames(std::FILE* spool) : spool_(spool) {}

Frames::~Frames() {
  if (spool_ != nullptr) std::fclose(spool_);
}

void Frames::Add(const Frame& frame) {
  unsigned char bytes[kFrameBytes];
  const auto us = static_cast<std::uint64_t>(frame.us);
  for (std::size_t i = 0; i < kTimeBytes; ++i) bytes[i] = static_cast<unsigned char>(us >> 8 * i);
  bytes[kTimeBytes] = frame.present;
  bytes[kTimeBytes + 1] = frame.green;
  bytes[kTimeBytes + 2] = frame.red;
  bytes[kTimeBytes + 3] = frame.reference_green;
  bytes[kTimeBytes + 4] = frame.reference_red;
  failed_ =
      failed_ || spool_ == nullptr || std::fwrite(bytes, 1, sizeof bytes, spool_) != sizeof bytes;
  ++size_;
}

bool Frames::Read(const std::function<void(const Frame&)>& each) const {
  if (failed_ || std::fseek(spool_, 0, SEEK_SET) != 0) return false;
  unsigned char bytes[kFrameBytes];
  for (std::size_t n = 0; n < size_; ++n) {
    if (std::fread(bytes, 1, sizeof bytes, spool_) != sizeof bytes) return false;
    std::uint64_t us = 0;
    for (std::size_t i = kTimeBytes; i-- > 0;) us = us << 8 | bytes[i];
    each({static_cast<std::int64_t>(us), bytes[kTimeBytes] != 0, bytes[kTimeBytes + 1],
          bytes[kTimeBytes + 2], bytes[kTimeBytes + 3], bytes[kTimeBytes + 4]});
  }
  return std::fseek(spool_, 0, SEEK_END) == 0;
}

}  // namespace station_check
