#include "capture.h"

#include <pcap/pcap.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "board_protocol.h"

namespace station_check {
namespace {

namespace board = orlanek::board;

constexpr auto kBoardVendor = static_cast<std::uint16_t>(board::kVendorId);
constexpr auto kBoardProduct = static_cast<std::uint16_t>(board::kProductId);
constexpr std::uint8_t kControl = 2;  // the transfer type, in both headers
// usbmon's header: 48 bytes (link type 189), 64 with the memory-mapped interface's fields (220).
constexpr std::size_t kUsbmonHeader = 48, kUsbmonMmappedHeader = 64;
// USBPcap's header: 27 bytes, then a control transfer's stage.
constexpr std::size_t kUsbPcapHeader = 27;
// Later time stamps (past the year 2500) are no capture's.
constexpr std::int64_t kLastSecond = std::int64_t{1} << 34;
enum UsbPcapStage : std::uint8_t { kSetup = 0, kData = 1 };

// Both headers are in the capturing machine's byte order, which libpcap turns into the reader's
// own; every machine that runs station-check is little-endian.
std::uint64_t Little(const std::uint8_t* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

void Data(UsbPacket& packet, const std::uint8_t* start, std::size_t captured, std::size_t told) {
  packet.data = start;
  packet.size = std::min(captured, told);
}

UsbPacket DecodeUsbmon(const std::uint8_t* bytes, std::size_t size, std::size_t header) {
  UsbPacket packet;
  if (size < header || bytes[9] != kControl) return packet;
  packet.id = Little(bytes, 8);
  packet.device = static_cast<std::uint32_t>(Little(bytes + 12, 2) * 1000 + bytes[11]);
  const char type = static_cast<char>(bytes[8]);
  const bool has_data = bytes[15] == 0 || bytes[15] == '=';
  if (has_data) Data(packet, bytes + header, size - header, Little(bytes + 36, 4));
  if (type == 'S') {
    if (bytes[14] != 0) return {};  // no setup captured
    packet.kind = UsbPacket::Kind::kSubmit;
    std::memcpy(packet.setup, bytes + 40, sizeof packet.setup);
  } else if (type == 'C' || type == 'E') {
    packet.kind = UsbPacket::Kind::kComplete;
    packet.failed = type == 'E' || Little(bytes + 28, 4) != 0;
  } else {
    return {};
  }
  return packet;
}

UsbPacket DecodeUsbPcap(const std::uint8_t* bytes, std::size_t size) {
  UsbPacket packet;
  if (size < kUsbPcapHeader + 1) return packet;
  const std::size_t header = Little(bytes, 2);
  const std::uint64_t bus = Little(bytes + 17, 2), address = Little(bytes + 19, 2);
  if (header < kUsbPcapHeader + 1 || header > size || bytes[22] != kControl || address > 999)
    return packet;
  packet.id = Little(bytes + 2, 8);
  packet.device = static_cast<std::uint32_t>(bus * 1000 + address);
  Data(packet, bytes + header, size - header, Little(bytes + 23, 4));
  const std::uint8_t stage = bytes[27];
  if ((bytes[16] & 1) != 0) {  // from the device: the transfer's answer
    packet.kind = UsbPacket::Kind::kComplete;
    packet.failed = Little(bytes + 10, 4) != 0;
  } else if (stage == kSetup && packet.size >= sizeof packet.setup) {
    packet.kind = UsbPacket::Kind::kSubmit;
    std::memcpy(packet.setup, packet.data, sizeof packet.setup);
    packet.data += sizeof packet.setup;
    packet.size -= sizeof packet.setup;
  } else if (stage == kData) {
    packet.kind = UsbPacket::Kind::kOutData;
  } else {
    return {};
  }
  return packet;
}

std::string DeviceName(std::uint32_t device) {
  return std::to_string(device / 1000) + "." + std::to_string(device % 1000);
}

}  // namespace

UsbPacket DecodeUsbPacket(int link_type, const std::uint8_t* bytes, std::size_t size) {
  switch (link_type) {
    case kLinkUsbLinux:
      return DecodeUsbmon(bytes, size, kUsbmonHeader);
    case kLinkUsbLinuxMmapped:
      return DecodeUsbmon(bytes, size, kUsbmonMmappedHeader);
    case kLinkUsbPcap:
      return DecodeUsbPcap(bytes, size);
    default:
      return {};
  }
}

void CaptureSession::Add(const UsbPacket& packet, std::size_t number, std::int64_t us) {
  const std::uint8_t* setup = packet.setup;
  switch (packet.kind) {
    case UsbPacket::Kind::kOther:
      return;
    case UsbPacket::Kind::kSubmit:
      // SET_REPORT of a Feature report; GET_DESCRIPTOR of the device descriptor.
      if (setup[0] == 0x21 && setup[1] == 0x09 && setup[3] == 0x03) {
        open_[packet.id] = {true, sent_.size(), packet.device};
        sent_.push_back(
            {packet.device, number, us, setup[2], {packet.data, packet.data + packet.size}, false});
        devices_[packet.device].reports = true;
      } else if (setup[0] == 0x80 && setup[1] == 0x06 && setup[3] == 0x01) {
        open_[packet.id] = {false, 0, packet.device};
      } else {
        open_.erase(packet.id);
      }
      return;
    case UsbPacket::Kind::kOutData: {
      const auto open = open_.find(packet.id);
      if (open != open_.end() && open->second.report && sent_[open->second.sent].data.empty())
        sent_[open->second.sent].data.assign(packet.data, packet.data + packet.size);
      return;
    }
    case UsbPacket::Kind::kComplete: {
      const auto open = open_.find(packet.id);
      if (open == open_.end()) return;
      const Open& transfer = open->second;
      if (transfer.report) {
        if (packet.failed) sent_[transfer.sent].refused = true;
      } else if (!packet.failed && packet.size >= 12 && packet.data[1] == 1 &&
                 transfer.device % 1000 != 0) {
        Device& device = devices_[transfer.device];
        device.described = true;
        device.board = Little(packet.data + 8, 2) == kBoardVendor &&
                       Little(packet.data + 10, 2) == kBoardProduct;
      }
      // Older USBPcap follows an IN transfer's data with a status stage of its own, which then
      // finds nothing open: only a failed OUT transfer matters, and it has no data stage.
      open_.erase(open);
      return;
    }
  }
}

std::vector<std::uint32_t> CaptureSession::BoardDevices(std::string& error) const {
  std::vector<std::uint32_t> boards, unknown;
  for (const auto& [address, device] : devices_) {
    if (device.board) boards.push_back(address);
    if (!device.described && device.reports && address != chosen_) unknown.push_back(address);
  }
  if (chosen_ != 0) {
    boards.push_back(chosen_);
  } else if (unknown.size() > 1) {
    error = "feature reports went to several devices (";
    for (const std::uint32_t address : unknown)
      error += (address == unknown.front() ? "" : ", ") + DeviceName(address);
    error += std::string(") and the capture does not show which is the board (") +
             board::kIdentityText + "): name it with --device BUS.ADDRESS";
  } else {
    boards.insert(boards.end(), unknown.begin(), unknown.end());
  }
  return boards;
}

SessionResult CaptureSession::Finish(SessionSink& sink) {
  SessionResult result;
  const std::vector<std::uint32_t> boards = BoardDevices(result.error);
  if (!result.error.empty()) return result;
  SessionBuilder builder(true, sink);
  std::size_t refused = 0;
  for (Sent& sent : sent_) {
    if (std::find(boards.begin(), boards.end(), sent.device) == boards.end()) continue;
    if (sent.refused) {
      ++refused;
      continue;
    }
    Record record;
    record.kind = Record::Kind::kReport;
    record.us = sent.us;
    record.device = sent.device;
    // Report ID 0 is not on the wire; any other travels as the first data byte.
    if (sent.report_id == 0) record.report.push_back(0);
    record.report.insert(record.report.end(), sent.data.begin(), sent.data.end());
    sent.data = {};
    result.error = builder.Add(std::move(record), sent.number);
    if (!result.error.empty()) {
      result.error = "packet " + std::to_string(sent.number) + ": " + result.error;
      return result;
    }
  }
  result.reports = builder.reports();
  if (refused > 0) result.notes.push_back(RefusedNote(refused));
  return result;
}

SessionResult ReadCapture(std::FILE* file, std::uint32_t device, SessionSink& sink) {
  char why[PCAP_ERRBUF_SIZE] = "";
  pcap_t* pcap = pcap_fopen_offline(file, why);
  if (pcap == nullptr) {
    std::fclose(file);
    return {{}, std::string("not a capture that can be read: ") + why, {}};
  }
  const int link = pcap_datalink(pcap);
  if (link != kLinkUsbLinux && link != kLinkUsbLinuxMmapped && link != kLinkUsbPcap) {
    const char* name = pcap_datalink_val_to_name(link);
    pcap_close(pcap);
    return {{},
            "a capture of " + (name ? std::string(name) : "link type " + std::to_string(link)) +
                ", not of USB (USBPcap on Windows, usbmon on Linux)",
            {}};
  }
  CaptureSession capture(device);
  pcap_pkthdr* header = nullptr;
  const u_char* bytes = nullptr;
  std::size_t number = 0;
  std::int64_t first = 0, last = 0;
  int got;
  std::string cut;
  while ((got = pcap_next_ex(pcap, &header, &bytes)) == 1) {
    if (header->ts.tv_sec < 0 || header->ts.tv_sec > kLastSecond) {
      cut = "a time stamp out of range";
      break;
    }
    const std::int64_t us = std::int64_t{header->ts.tv_sec} * 1'000'000 + header->ts.tv_usec;
    if (++number == 1) first = us;
    last = us;
    capture.Add(DecodeUsbPacket(link, bytes, header->caplen), number, us);
  }
  if (got == PCAP_ERROR) cut = pcap_geterr(pcap);
  pcap_close(pcap);
  SessionResult result = capture.Finish(sink);
  if (!cut.empty())
    result.notes.push_back("the capture ends inside packet " + std::to_string(number + 1) + ", " +
                           Seconds(last - first) + " after its first (" + cut +
                           "): judged as far as it is whole");
  return result;
}

SessionResult ReadInput(std::FILE* file, bool usbmon, std::uint32_t device, SessionSink& sink) {
  char head[256];
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  if (std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return {{}, "cannot be read from its start", {}};
  }
  InputForm form = RecogniseForm(std::string_view(head, got));
  if (usbmon && (form == InputForm::kJson || form == InputForm::kUnknown))
    form = InputForm::kUsbmonText;
  SessionResult result;
  switch (form) {
    case InputForm::kPcap:
    case InputForm::kPcapng:
      return ReadCapture(file, device, sink);
    case InputForm::kJson:
    case InputForm::kUsbmonText:
      result = ReadSessionFile(file, form == InputForm::kUsbmonText, sink);
      break;
    case InputForm::kUnknown:
      result.error =
          "neither a USB capture (pcap, pcapng) nor a session (virtual-board --json lines, "
          "usbmon text)";
      break;
  }
  std::fclose(file);
  return result;
}

}  // namespace station_check
