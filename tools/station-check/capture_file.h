#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The packets of a pcap or pcapng file as a stream, the file gzip-compressed or not: one packet
// at a time, whatever the file's length.
namespace station_check {

// The link types of USB captures.
constexpr int kLinkUsbLinux = 189, kLinkUsbLinuxMmapped = 220, kLinkUsbPcap = 249;
bool IsUsbLink(int link_type);

class CaptureFile {
 public:
  enum class Next { kPacket, kEnd, kCut };

  // Reads from file, at the start of a pcap or pcapng file; does not take it.
  explicit CaptureFile(gzFile file) : file_(file) {}

  // The file's header: false (with why()) when the file is no capture that can be read.
  bool Start();
  // The next packet of any interface (so packets are numbered as Wireshark numbers them). Only
  // a USB interface's packets carry their bytes. kCut: the file ends early or is damaged from
  // there on (why()).
  Next Read();

  int link_type() const { return link_type_; }
  // The capturing machine's byte order, which usbmon's header is in.
  bool big_endian() const { return big_; }
  std::int64_t us() const { return us_; }
  const std::uint8_t* bytes() const { return bytes_.data(); }
  std::size_t size() const { return size_; }
  const std::string& why() const { return why_; }
  // The link types of its interfaces that are not USB, each once.
  const std::vector<int>& other_links() const { return other_links_; }
  bool any_usb() const { return any_usb_; }

 private:
  struct Interface {
    int link = 0;
    bool binary = false;  // time stamps in units of 2^-exponent seconds, else 10^-exponent
    unsigned exponent = 6;
    std::int64_t offset = 0;  // seconds added to every time stamp
  };

  Next Damaged(const char* why);
  // Why the last read came short; false.
  bool Short();
  bool Take(void* out, std::size_t size);
  bool Skip(std::uint64_t size);
  std::uint64_t Field(const std::uint8_t* bytes, int size) const;
  bool Cut(const char* why);
  bool PacketBytes(std::uint64_t captured, std::uint64_t room);
  void AddInterface(const Interface& interface);

  Next ReadRecord(const std::uint8_t* head);
  // head: the block's type and length, with room for a section's byte-order magic. packet: it
  // was a packet's block.
  Next ReadBlock(std::uint8_t* head, bool& packet);
  bool Section(std::uint64_t body);
  bool Description(std::uint64_t body);
  bool Packet(std::uint32_t type, std::uint64_t body);
  bool Stamp(const Interface& interface, std::uint64_t stamp);

  gzFile file_;
  bool pcapng_ = false, big_ = false, nanoseconds_ = false;
  std::vector<Interface> interfaces_;
  int link_type_ = 0;
  std::int64_t us_ = 0;
  std::vector<std::uint8_t> bytes_;
  std::size_t size_ = 0;
  std::string why_;
  std::vector<int> other_links_;
  bool any_usb_ = false;
};

}  // namespace station_check
