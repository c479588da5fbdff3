#include "capture_file.h"

#include <algorithm>
#include <climits>

#include "messages.h"

namespace station_check {
namespace {

using messages::Tr;

// The most of a packet kept: the largest snapshot length of dumpcap and libpcap. A USB packet's
// header, its setup and a report or a descriptor lie well inside it; the rest is skipped.
constexpr std::size_t kMostKept = 262144;
// More interfaces than this in one section are no machine's.
constexpr std::size_t kMostInterfaces = 4096;
// Later time stamps (past the year 2500) are no capture's.
constexpr std::uint64_t kLastSecond = std::uint64_t{1} << 34;
constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
enum Block : std::uint32_t {
  kInterfaceBlock = 1,
  kObsoletePacket = 2,
  kSimplePacket = 3,
  kEnhancedPacket = 6,
};
enum Option : std::uint16_t { kEndOfOptions = 0, kTimeResolution = 9, kTimeOffset = 14 };
// pcap's link type field carries other facts above its low bits.
constexpr std::uint64_t kLinkTypeBits = 0x03FFFFFF;

std::uint64_t Little(const std::uint8_t* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

std::uint64_t Power10(unsigned exponent) {
  std::uint64_t value = 1;
  while (exponent-- > 0) value *= 10;
  return value;
}

}  // namespace

bool IsUsbLink(int link_type) {
  return link_type == kLinkUsbLinux || link_type == kLinkUsbLinuxMmapped ||
         link_type == kLinkUsbPcap;
}

std::uint64_t CaptureFile::Field(const std::uint8_t* bytes, int size) const {
  if (!big_) return Little(bytes, size);
  std::uint64_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | bytes[i];
  return value;
}

bool CaptureFile::Cut(const char* why) {
  why_ = why;
  return false;
}

CaptureFile::Next CaptureFile::Damaged(const char* why) {
  why_ = why;
  return Next::kCut;
}

bool CaptureFile::Short() {
  int code = Z_OK;
  const char* message = gzerror(file_, &code);
  // Z_BUF_ERROR: compressed data that stop short, as plain data stop at the file's end.
  why_ = code == Z_OK || code == Z_BUF_ERROR ? Tr("the file ends there")
                                             : Tr("its compressed data are damaged: {1}", message);
  return false;
}

bool CaptureFile::Take(void* out, std::size_t size) {
  const int got = gzread(file_, out, static_cast<unsigned>(size));
  return (got >= 0 && static_cast<std::size_t>(got) == size) || Short();
}

bool CaptureFile::Skip(std::uint64_t size) {
  std::uint8_t scratch[16384];
  while (size > 0) {
    const std::size_t part =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, sizeof scratch));
    if (!Take(scratch, part)) return false;
    size -= part;
  }
  return true;
}

void CaptureFile::AddInterface(const Interface& interface) {
  interfaces_.push_back(interface);
  if (IsUsbLink(interface.link)) {
    any_usb_ = true;
  } else if (other_links_.size() < 8 && std::find(other_links_.begin(), other_links_.end(),
                                                  interface.link) == other_links_.end()) {
    other_links_.push_back(interface.link);
  }
}

bool CaptureFile::Start() {
  std::uint8_t head[24];
  if (!Take(head, 8)) return Cut(Tr("too short to be a capture"));
  const std::uint64_t magic = Little(head, 4);
  if (magic == kSectionHeader) {
    pcapng_ = true;
    bool packet = false;
    return ReadBlock(head, packet) == Next::kPacket;
  }
  big_ = magic == 0xd4c3b2a1 || magic == 0x4d3cb2a1;
  nanoseconds_ = magic == 0x4d3cb2a1 || magic == 0xa1b23c4d;
  if (!big_ && magic != 0xa1b2c3d4 && !nanoseconds_) return Cut(Tr("neither pcap nor pcapng"));
  if (!Take(head + 8, 16)) return Cut(Tr("too short to be a capture"));
  AddInterface({static_cast<int>(Field(head + 20, 4) & kLinkTypeBits)});
  return true;
}

CaptureFile::Next CaptureFile::Read() {
  for (;;) {
    std::uint8_t head[16];  // a pcap record's header, or a block's type and length
    const std::size_t size = pcapng_ ? 8 : sizeof head;
    const int got = gzread(file_, head, static_cast<unsigned>(size));
    int code = Z_OK;
    gzerror(file_, &code);
    if (got == 0 && code == Z_OK) return Next::kEnd;
    if (got < 0 || static_cast<std::size_t>(got) != size) {
      Short();
      return Next::kCut;
    }
    if (!pcapng_) return ReadRecord(head);
    bool packet = false;
    const Next next = ReadBlock(head, packet);
    if (next != Next::kPacket || packet) return next;
  }
}

CaptureFile::Next CaptureFile::ReadRecord(const std::uint8_t* head) {
  const std::uint64_t seconds = Field(head, 4), fraction = Field(head + 4, 4);
  const std::uint64_t captured = Field(head + 8, 4);
  us_ =
      static_cast<std::int64_t>(seconds * 1'000'000 + (nanoseconds_ ? fraction / 1000 : fraction));
  link_type_ = interfaces_.front().link;
  return PacketBytes(captured, captured) ? Next::kPacket : Next::kCut;
}

bool CaptureFile::PacketBytes(std::uint64_t captured, std::uint64_t room) {
  size_ = 0;
  if (!IsUsbLink(link_type_)) return Skip(room);
  size_ = static_cast<std::size_t>(std::min<std::uint64_t>(captured, kMostKept));
  if (bytes_.size() < size_) bytes_.resize(size_);
  return Take(bytes_.data(), size_) && Skip(room - size_);
}

CaptureFile::Next CaptureFile::ReadBlock(std::uint8_t* head, bool& packet) {
  // A section's type reads the same in either byte order.
  const auto type = static_cast<std::uint32_t>(Field(head, 4));
  if (type == kSectionHeader) {
    // The byte-order magic tells how to read the section, its own length included.
    if (!Take(head + 8, 4)) return Next::kCut;
    const std::uint64_t magic = Little(head + 8, 4);
    if (magic != 0x1A2B3C4D && magic != 0x4D3C2B1A)
      return Damaged(Tr("a section of no known byte order"));
    big_ = magic == 0x4D3C2B1A;
  }
  const std::uint64_t length = Field(head + 4, 4);
  if (length < 12 || length % 4 != 0) return Damaged(Tr("a damaged block"));
  const std::uint64_t body = length - 12;
  bool read = true;
  switch (type) {
    case kSectionHeader:
      read = Section(body);
      break;
    case kInterfaceBlock:
      read = Description(body);
      break;
    case kEnhancedPacket:
    case kObsoletePacket:
    case kSimplePacket:
      read = Packet(type, body);
      packet = true;
      break;
    default:
      read = Skip(body);
  }
  std::uint8_t tail[4];
  if (!read || !Take(tail, 4)) return Next::kCut;
  if (Field(tail, 4) != length) return Damaged(Tr("a damaged block"));
  return Next::kPacket;
}

bool CaptureFile::Section(std::uint64_t body) {
  // After the byte-order magic: the version, the section's length, options.
  std::uint8_t fixed[12];
  if (body < 4 + sizeof fixed) return Cut(Tr("a damaged block"));
  if (!Take(fixed, sizeof fixed)) return false;
  if (Field(fixed, 2) != 1) return Cut(Tr("a pcapng version it does not know"));
  interfaces_.clear();
  return Skip(body - 4 - sizeof fixed);
}

bool CaptureFile::Description(std::uint64_t body) {
  std::uint8_t fixed[8];  // link type, reserved, snapshot length
  if (body < sizeof fixed) return Cut(Tr("a damaged block"));
  if (!Take(fixed, sizeof fixed)) return false;
  if (interfaces_.size() >= kMostInterfaces) return Cut(Tr("more interfaces than a machine has"));
  Interface interface { static_cast<int>(Field(fixed, 2)) };
  const std::uint64_t options = body - sizeof fixed;
  if (options > kMostKept) {
    AddInterface(interface);
    return Skip(options);
  }
  bytes_.resize(std::max(bytes_.size(), static_cast<std::size_t>(options)));
  if (!Take(bytes_.data(), static_cast<std::size_t>(options))) return false;
  for (std::size_t at = 0; at + 4 <= options;) {
    const std::uint8_t* option = bytes_.data() + at;
    const std::uint64_t code = Field(option, 2), size = Field(option + 2, 2);
    at += 4;
    if (code == kEndOfOptions || size > options - at) break;
    if (code == kTimeResolution && size >= 1) {
      interface.binary = (option[4] & 0x80) != 0;
      interface.exponent = option[4] & 0x7F;
      if (interface.exponent > (interface.binary ? 63u : 19u))
        return Cut(Tr("an interface's time resolution out of range"));
    } else if (code == kTimeOffset && size >= 8) {
      interface.offset = static_cast<std::int64_t>(Field(option + 4, 8));
      if (interface.offset < -static_cast<std::int64_t>(kLastSecond) ||
          interface.offset > static_cast<std::int64_t>(kLastSecond))
        return Cut(Tr("an interface's time offset out of range"));
    }
    at += (size + 3) / 4 * 4;
  }
  AddInterface(interface);
  return true;
}

bool CaptureFile::Packet(std::uint32_t type, std::uint64_t body) {
  std::uint8_t fixed[20];
  const std::size_t size = type == kSimplePacket ? 4 : sizeof fixed;
  if (body < size) return Cut(Tr("a damaged block"));
  if (!Take(fixed, size)) return false;
  std::uint64_t interface = 0, captured = 0;
  if (type == kSimplePacket) {
    // Of the first interface, and with no time of its own: it keeps the one before.
    captured = std::min(Field(fixed, 4), body - size);
  } else {
    interface = type == kEnhancedPacket ? Field(fixed, 4) : Field(fixed, 2);
    captured = Field(fixed + 12, 4);
  }
  if (interface >= interfaces_.size())
    return Cut(Tr("a packet of an interface that the file does not describe"));
  if (captured > body - size) return Cut(Tr("a damaged block"));
  const Interface& from = interfaces_[static_cast<std::size_t>(interface)];
  link_type_ = from.link;
  if (type != kSimplePacket && !Stamp(from, Field(fixed + 4, 4) << 32 | Field(fixed + 8, 4)))
    return Cut(Tr("a time stamp out of range"));
  return PacketBytes(captured, body - size);
}

bool CaptureFile::Stamp(const Interface& interface, std::uint64_t stamp) {
  std::uint64_t seconds = 0, us = 0;
  if (interface.binary) {
    unsigned exponent = interface.exponent;
    seconds = stamp >> exponent;
    std::uint64_t fraction = stamp - (seconds << exponent);
    if (exponent > 40) {  // a millionth needs 20 bits; 40 keep the product within 64
      fraction >>= exponent - 40;
      exponent = 40;
    }
    us = fraction * 1'000'000 >> exponent;
  } else {
    const std::uint64_t unit = Power10(interface.exponent);
    seconds = stamp / unit;
    const std::uint64_t fraction = stamp % unit;
    us = interface.exponent >= 6 ? fraction / Power10(interface.exponent - 6)
                                 : fraction * Power10(6 - interface.exponent);
  }
  if (seconds > kLastSecond) return false;
  const std::int64_t shifted = static_cast<std::int64_t>(seconds) + interface.offset;
  if (shifted < 0 || shifted > static_cast<std::int64_t>(kLastSecond)) return false;
  us_ = shifted * 1'000'000 + static_cast<std::int64_t>(us);
  return true;
}

}  // namespace station_check
