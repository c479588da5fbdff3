#include "capture.h"

#ifdef _WIN32
// MinGW names the descriptor functions as POSIX does.
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "board_protocol.h"
#include "messages.h"

namespace station_check {
namespace {

using messages::N_;
using messages::Tr;

namespace board = orlanek::board;

constexpr auto kBoardVendor = static_cast<std::uint16_t>(board::kVendorId);
constexpr auto kBoardProduct = static_cast<std::uint16_t>(board::kProductId);
constexpr std::uint8_t kControl = 2, kBulk = 3;  // transfer types, in both headers
// usbmon's header: 48 bytes (link type 189), 64 with the memory-mapped interface's fields (220).
constexpr std::size_t kUsbmonHeader = 48, kUsbmonMmappedHeader = 64;
// USBPcap's header: 27 bytes, then a control transfer's stage.
constexpr std::size_t kUsbPcapHeader = 27;
enum UsbPcapStage : std::uint8_t { kSetup = 0, kData = 1 };
// A control endpoint serves one transfer at a time, so more open than this at once are
// transfers whose completions the capture lost. Bounds what a reading holds.
constexpr std::size_t kMostOpen = 1024;
// More devices than this are no bus's; bounds the survey.
constexpr std::size_t kMostDevices = 4096;

std::uint64_t Little(const std::uint8_t* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

std::uint64_t Big(const std::uint8_t* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | bytes[i];
  return value;
}

void Data(UsbPacket& packet, const std::uint8_t* start, std::size_t captured, std::size_t told) {
  packet.data = start;
  packet.size = std::min(captured, told);
}

UsbPacket DecodeUsbmon(const std::uint8_t* bytes, std::size_t size, std::size_t header, bool big) {
  UsbPacket packet;
  if (size < header) return packet;
  const auto field = [&](std::size_t at, int width) {
    return big ? Big(bytes + at, width) : Little(bytes + at, width);
  };
  const char type = static_cast<char>(bytes[8]);
  packet.device = static_cast<std::uint32_t>(field(12, 2) * 1000 + bytes[11]);
  packet.starts = type == 'S';
  if (bytes[9] != kControl) return packet;
  packet.id = field(0, 8);
  const bool has_data = bytes[15] == 0 || bytes[15] == '=';
  if (has_data) Data(packet, bytes + header, size - header, field(36, 4));
  if (type == 'S' && bytes[14] == 0) {  // else no setup captured
    packet.kind = UsbPacket::Kind::kSubmit;
    std::memcpy(packet.setup, bytes + 40, sizeof packet.setup);
  } else if (type == 'C' || type == 'E') {
    packet.kind = UsbPacket::Kind::kComplete;
    packet.failed = type == 'E' || field(28, 4) != 0;
  }
  return packet;
}

// USBPcap's header is little-endian, as Windows is.
UsbPacket DecodeUsbPcap(const std::uint8_t* bytes, std::size_t size) {
  UsbPacket packet;
  if (size < kUsbPcapHeader) return packet;
  const std::size_t header = Little(bytes, 2);
  const std::uint64_t bus = Little(bytes + 17, 2), address = Little(bytes + 19, 2);
  const std::uint8_t transfer = bytes[22];
  if (header < kUsbPcapHeader || header > size || address > 999 || transfer > kBulk) return packet;
  const bool control = transfer == kControl, answer = (bytes[16] & 1) != 0;
  if (control && header < kUsbPcapHeader + 1) return packet;
  const std::uint8_t stage = control ? bytes[27] : std::uint8_t{kSetup};
  packet.device = static_cast<std::uint32_t>(bus * 1000 + address);
  packet.starts = !answer && stage == kSetup;
  if (!control) return packet;
  packet.id = Little(bytes + 2, 8);
  Data(packet, bytes + header, size - header, Little(bytes + 23, 4));
  if (answer) {  // from the device: the transfer's answer
    packet.kind = UsbPacket::Kind::kComplete;
    packet.failed = Little(bytes + 10, 4) != 0;
  } else if (stage == kSetup && packet.size >= sizeof packet.setup) {
    packet.kind = UsbPacket::Kind::kSubmit;
    std::memcpy(packet.setup, packet.data, sizeof packet.setup);
    packet.data += sizeof packet.setup;
    packet.size -= sizeof packet.setup;
  } else if (stage == kData) {
    packet.kind = UsbPacket::Kind::kOutData;
  }
  return packet;
}

std::string DeviceName(std::uint32_t device) {
  return std::to_string(device / 1000) + "." + std::to_string(device % 1000);
}

bool FeatureReport(const std::uint8_t* setup) {
  return setup[0] == 0x21 && setup[1] == 0x09 && setup[3] == 0x03;  // SET_REPORT, Feature
}

bool DeviceDescriptor(const std::uint8_t* setup) {
  return setup[0] == 0x80 && setup[1] == 0x06 && setup[3] == 0x01;  // GET_DESCRIPTOR, device
}

}  // namespace

UsbPacket DecodeUsbPacket(int link_type, bool big_endian, const std::uint8_t* bytes,
                          std::size_t size) {
  switch (link_type) {
    case kLinkUsbLinux:
      return DecodeUsbmon(bytes, size, kUsbmonHeader, big_endian);
    case kLinkUsbLinuxMmapped:
      return DecodeUsbmon(bytes, size, kUsbmonMmappedHeader, big_endian);
    case kLinkUsbPcap:
      return DecodeUsbPcap(bytes, size);
    default:
      return {};
  }
}

void CaptureSurvey::Add(const UsbPacket& packet) {
  // Address 0 is every device's before it is given its own.
  if (packet.device % 1000 == 0) return;
  auto device = devices_.find(packet.device);
  if (device == devices_.end()) {
    if (devices_.size() >= kMostDevices) return;
    device = devices_.emplace(packet.device, Device{}).first;
  }
  if (packet.starts) ++device->second.transfers;
  if (packet.kind == UsbPacket::Kind::kSubmit) {
    descriptors_.erase(packet.id);
    if (FeatureReport(packet.setup)) device->second.reports = true;
    if (!DeviceDescriptor(packet.setup)) return;
    if (descriptors_.size() >= kMostOpen) descriptors_.erase(descriptors_.begin());
    descriptors_[packet.id] = packet.device;
  } else if (packet.kind == UsbPacket::Kind::kComplete) {
    const auto open = descriptors_.find(packet.id);
    if (open == descriptors_.end()) return;
    Device& described = devices_[open->second];
    if (!packet.failed && packet.size >= 12 && packet.data[1] == 1) {
      described.described = true;
      described.vendor = static_cast<std::uint16_t>(Little(packet.data + 8, 2));
      described.product = static_cast<std::uint16_t>(Little(packet.data + 10, 2));
    }
    descriptors_.erase(open);
  }
}

CaptureSurvey::Found CaptureSurvey::Boards(std::uint32_t chosen) const {
  // Why there is no verdict, for a capture and for usbmon text.
  static constexpr const char* kNoTraffic[][2] = {
      {N_("no verdict: the capture holds no traffic to the board ({1}): device {2}, named with "
          "--device, is not in it"),
       N_("no verdict: the usbmon text holds no traffic to the board ({1}): device {2}, named "
          "with --device, is not in it")},
      {N_("no verdict: the capture holds no traffic to the board ({1}): device {2}, named with "
          "--device, received no feature reports, and no device names itself the board"),
       N_("no verdict: the usbmon text holds no traffic to the board ({1}): device {2}, named "
          "with --device, received no feature reports, and no device names itself the board")},
      {N_("no verdict: the capture holds no traffic to the board ({1}): no device in it names "
          "itself so, and none received feature reports"),
       N_("no verdict: the usbmon text holds no traffic to the board ({1}): no device in it "
          "names itself so, and none received feature reports")}};
  std::vector<std::uint32_t> boards, unknown;
  bool seen = false;  // a board that names itself, or a feature report to one
  for (const auto& [address, device] : devices_) {
    const bool board =
        device.described && device.vendor == kBoardVendor && device.product == kBoardProduct;
    if (board) boards.push_back(address);
    if (!device.described && device.reports && address != chosen) unknown.push_back(address);
    seen = seen || board || (device.reports && address == chosen);
  }
  const auto none = [&](int why) {
    return Found{
        {},
        Tr(kNoTraffic[why][input_ == Input::kUsbmonText], board::kIdentityText, DeviceName(chosen)),
        true};
  };
  if (chosen != 0 && devices_.count(chosen) == 0) return none(0);
  if (chosen != 0 && !seen) return none(1);
  if (chosen != 0) {
    boards.push_back(chosen);
    return {boards, {}, false};
  }
  if (unknown.size() > 1) {
    std::string devices;
    for (const std::uint32_t address : unknown)
      devices =
          devices.empty() ? DeviceName(address) : Tr("{1}, {2}", devices, DeviceName(address));
    return {{},
            Tr("feature reports went to several devices ({1}) and the capture does not show "
               "which is the board ({2}): name it with --device BUS.ADDRESS",
               devices, board::kIdentityText),
            false};
  }
  if (unknown.empty() && boards.empty()) return none(2);
  boards.insert(boards.end(), unknown.begin(), unknown.end());
  return {boards, {}, false};
}

std::string CaptureSurvey::Devices() const {
  std::string text;
  std::size_t listed = 0;
  for (const auto& [address, device] : devices_) {
    if (++listed > 20) {
      text = Tr("{1}, and {2} more", text, devices_.size() - 20);
      break;
    }
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", device.vendor, device.product);
    const std::string named =
        device.described
            ? Tr("{1} ({2}, {3} transfers)", DeviceName(address), ids, device.transfers)
            : Tr("{1} ({2} transfers)", DeviceName(address), device.transfers);
    text = text.empty() ? named : Tr("{1}, {2}", text, named);
  }
  return text.empty() ? Tr("none") : text;
}

CaptureStream::Sent* CaptureStream::Open(std::uint64_t id) {
  for (Sent& sent : open_)
    if (sent.id == id && !sent.done) return &sent;
  return nullptr;
}

std::string CaptureStream::Add(const UsbPacket& packet, std::size_t number, std::int64_t us) {
  if (packet.kind == UsbPacket::Kind::kOther) return {};
  Sent* const open = Open(packet.id);
  if (packet.kind == UsbPacket::Kind::kOutData) {
    if (open != nullptr && !open->data) {
      open->record.report.insert(open->record.report.end(), packet.data, packet.data + packet.size);
      open->data = true;
    }
    return {};
  }
  if (packet.kind == UsbPacket::Kind::kComplete && open != nullptr) {
    open->done = true;
    open->refused = packet.failed;
  } else if (packet.kind == UsbPacket::Kind::kSubmit) {
    // Its id again before its completion: the capture lost that completion.
    if (open != nullptr) open->done = true;
    if (FeatureReport(packet.setup) &&
        std::find(boards_.begin(), boards_.end(), packet.device) != boards_.end()) {
      Sent& sent = open_.emplace_back();
      sent.id = packet.id;
      sent.number = number;
      sent.record.kind = Record::Kind::kReport;
      sent.record.us = us;
      sent.record.device = packet.device;
      // Report ID 0 is not on the wire; any other travels as the first data byte.
      if (packet.setup[2] == 0) sent.record.report.push_back(0);
      sent.record.report.insert(sent.record.report.end(), packet.data, packet.data + packet.size);
      sent.data = packet.size > 0;
    }
  }
  return Release(false);
}

std::string CaptureStream::Release(bool all) {
  while (!open_.empty() && (all || open_.front().done || open_.size() > kMostOpen)) {
    Sent& sent = open_.front();
    std::string error;
    if (sent.refused) {
      ++refused_;
    } else {
      error = builder_.Add(std::move(sent.record), sent.number);
    }
    if (!error.empty()) return Tr("packet {1}: {2}", sent.number, error);
    open_.pop_front();
  }
  return {};
}

namespace {

// What a USB capture can be told apart from for a teacher.
std::string LinkName(int link) {
  static constexpr struct {
    int link;
    const char* name;
  } kNames[] = {{0, N_("loopback")}, {1, N_("Ethernet")},    {101, "IP"},
                {105, "Wi-Fi"},      {108, N_("loopback")},  {113, "Linux cooked"},
                {127, "Wi-Fi"},      {187, N_("Bluetooth")}, {201, N_("Bluetooth")},
                {228, "IPv4"},       {229, "IPv6"},          {276, "Linux cooked"}};
  for (const auto& [number, name] : kNames)
    if (number == link) return Tr("{1} (link type {2})", Tr(name), link);
  return Tr("link type {1}", link);
}

std::string NotUsb(const std::vector<int>& links) {
  if (links.empty())
    return Tr("a capture of no interface, not of USB (USBPcap on Windows, usbmon on Linux)");
  std::string text = LinkName(links[0]);
  for (std::size_t i = 1; i < links.size(); ++i)
    text = i + 1 == links.size() ? Tr("{1} and {2}", text, LinkName(links[i]))
                                 : Tr("{1}, {2}", text, LinkName(links[i]));
  return Tr("a capture of {1}, not of USB (USBPcap on Windows, usbmon on Linux)", text);
}

// Where the board's traffic would be, for the kinds of capture seen (both where none was); text:
// the kernel's usbmon text.
std::string Advice(bool usbpcap, bool usbmon, bool text = false) {
  std::string advice;
  if (usbpcap || !usbmon)
    advice += Tr(
        "\nWith USBPcap, capture the root hub the board is plugged into (USBPcap1, USBPcap2, ...; "
        "in Wireshark the one whose line moves when the board is plugged in).");
  char ids[16];
  std::snprintf(ids, sizeof ids, "%04x:%04x", kBoardVendor, kBoardProduct);
  if (usbmon || !usbpcap)
    advice += text ? Tr("\nWith usbmon, capture the board's bus, as lsusb -d {1} names it (Bus "
                        "001 is usbmon/1u; 0u captures every bus).",
                        ids)
                   : Tr("\nWith usbmon, capture the board's bus, as lsusb -d {1} names it (Bus "
                        "001 is usbmon1; usbmon0 captures every bus).",
                        ids);
  return advice;
}

struct Survey {
  CaptureSurvey devices;
  bool usbpcap = false, usbmon = false;
};

// The first reading: every USB packet into the survey. An error when the file is no capture of
// USB.
std::string SurveyCapture(gzFile stream, Survey& survey) {
  CaptureFile file(stream);
  if (gzrewind(stream) != 0) return Tr("cannot be read from its start");
  if (!file.Start()) return Tr("not a capture that can be read: {1}", file.why());
  while (file.Read() == CaptureFile::Next::kPacket) {
    const int link = file.link_type();
    if (!IsUsbLink(link)) continue;
    (link == kLinkUsbPcap ? survey.usbpcap : survey.usbmon) = true;
    survey.devices.Add(DecodeUsbPacket(link, file.big_endian(), file.bytes(), file.size()));
  }
  return file.any_usb() ? "" : NotUsb(file.other_links());
}

// The second reading: the board's reports handed on in the capture's order.
SessionResult StreamCapture(gzFile stream, std::vector<std::uint32_t> boards, SessionSink& sink) {
  SessionResult result;
  CaptureFile file(stream);
  if (gzrewind(stream) != 0 || !file.Start()) return {{}, Tr("cannot be read from its start"), {}};
  SessionBuilder builder(true, sink);
  CaptureStream reports(std::move(boards), builder);
  std::size_t number = 0;
  std::int64_t first = 0, last = 0;
  CaptureFile::Next next;
  while ((next = file.Read()) == CaptureFile::Next::kPacket) {
    if (++number == 1) first = file.us();
    last = file.us();
    const int link = file.link_type();
    if (!IsUsbLink(link)) continue;
    result.error = reports.Add(DecodeUsbPacket(link, file.big_endian(), file.bytes(), file.size()),
                               number, file.us());
    if (!result.error.empty()) return result;
  }
  result.error = reports.Finish();
  if (!result.error.empty()) return result;
  result.reports = builder.reports();
  if (reports.refused() > 0) result.notes.push_back(RefusedNote(reports.refused()));
  if (next == CaptureFile::Next::kCut)
    result.notes.push_back(
        Tr("the capture ends inside packet {1}, {2} after its first ({3}): "
           "judged as far as it is whole",
           number + 1, Seconds(last - first), file.why()));
  return result;
}

SessionResult ReadCapture(gzFile stream, std::uint32_t device, SessionSink& sink) {
  Survey survey;
  SessionResult result;
  result.error = SurveyCapture(stream, survey);
  if (!result.error.empty()) return result;
  CaptureSurvey::Found found = survey.devices.Boards(device);
  result.error = std::move(found.error);
  // No verdict: the devices it saw, and where the board's traffic would have been.
  if (found.no_verdict)
    result.error += Tr("\nDevices in the capture: {1}", survey.devices.Devices()) +
                    Advice(survey.usbpcap, survey.usbmon);
  if (found.boards.empty()) return result;
  return StreamCapture(stream, std::move(found.boards), sink);
}

// A stream over the file's bytes from its start, gzip-compressed or not, through a descriptor of
// its own, so that the file stays open; none where the file has no descriptor (fmemopen's).
gzFile OpenStream(std::FILE* file) {
  const int descriptor = dup(fileno(file));
  if (descriptor < 0) return nullptr;
  const gzFile stream = lseek(descriptor, 0, SEEK_SET) == 0 ? gzdopen(descriptor, "rb") : nullptr;
  if (stream == nullptr) {
    close(descriptor);
    return nullptr;
  }
  gzbuffer(stream, 65536);
  return stream;
}

// The hexadecimal number that word is, where it is one of at most digits.
std::optional<std::uint64_t> Hex(std::string_view word, std::size_t digits) {
  std::uint64_t value = 0;
  if (word.empty() || word.size() > digits) return std::nullopt;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

// The device of usbmon text's address word after its "Co:": BUS:DEVICE:ENDPOINT, or
// DEVICE:ENDPOINT without the bus.
std::optional<std::uint32_t> UsbmonTextDevice(std::string_view address) {
  std::uint64_t parts[3] = {};
  std::size_t count = 0;
  for (std::string_view rest = address; count < std::size(parts);) {
    const std::string_view digits = rest.substr(0, rest.find(':'));
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), parts[count]);
    if (error != std::errc() || end != digits.data() + digits.size() || parts[count] > 999)
      return std::nullopt;
    ++count;
    if (digits.size() == rest.size()) break;
    rest.remove_prefix(digits.size() + 1);
  }
  if (count < 2) return std::nullopt;
  return static_cast<std::uint32_t>(count == 3 ? parts[0] * 1000 + parts[1] : parts[0]);
}

// A line of usbmon text as a packet, as far as the survey needs it: its device, whether it
// starts a transfer, a control transfer's setup and its answer's first bytes (into data).
UsbPacket UsbmonTextPacket(std::string_view line, std::vector<std::uint8_t>& data) {
  std::vector<std::string_view> words;
  for (std::size_t at = 0; at < line.size() && words.size() < 24;) {
    const std::size_t start = line.find_first_not_of(" \t\r\n", at);
    if (start == std::string_view::npos) break;
    at = std::min(line.find_first_of(" \t\r\n", start), line.size());
    words.push_back(line.substr(start, at - start));
  }
  UsbPacket packet;
  // tag, time stamp, event type, Co:BUS:DEVICE:ENDPOINT (or Co:DEVICE:ENDPOINT)
  if (words.size() < 4 || words[3].size() < 3 || words[3][2] != ':') return packet;
  const std::optional<std::uint32_t> device = UsbmonTextDevice(words[3].substr(3));
  if (!device) return packet;
  packet.device = *device;
  const std::string_view type = words[2];
  packet.starts = type == "S";
  const std::optional<std::uint64_t> tag = Hex(words[0], 16);
  if (words[3][0] != 'C' || !tag) return packet;
  packet.id = *tag;
  if (type == "S" && words.size() >= 10 && words[4] == "s") {
    const std::optional<std::uint64_t> setup[] = {
        Hex(words[5], 2), Hex(words[6], 2), Hex(words[7], 4), Hex(words[8], 4), Hex(words[9], 4)};
    std::uint8_t* bytes = packet.setup;
    for (std::size_t i = 0; i < std::size(setup); ++i) {
      if (!setup[i]) return packet;
      *bytes++ = static_cast<std::uint8_t>(*setup[i]);
      if (i >= 2) *bytes++ = static_cast<std::uint8_t>(*setup[i] >> 8);
    }
    packet.kind = UsbPacket::Kind::kSubmit;
  } else if ((type == "C" || type == "E") && words.size() >= 5) {
    packet.kind = UsbPacket::Kind::kComplete;
    packet.failed = type == "E" || words[4] != "0";
    data.clear();
    const auto equals = std::find(words.begin(), words.end(), "=");
    for (auto word = equals == words.end() ? equals : equals + 1; word != words.end(); ++word)
      for (std::size_t at = 0; at + 2 <= word->size(); at += 2)
        if (const std::optional<std::uint64_t> byte = Hex(word->substr(at, 2), 2))
          data.push_back(static_cast<std::uint8_t>(*byte));
    packet.data = data.data();
    packet.size = data.size();
  }
  return packet;
}

// usbmon text holds no verdict where it holds no traffic to the board: an error naming the
// devices it does hold. Where it does, every feature report in it is the board's (see
// ReadSessionFile), so that several devices that got them are no error here.
std::string SurveyText(std::FILE* file, std::uint32_t device) {
  CaptureSurvey survey(CaptureSurvey::Input::kUsbmonText);
  std::vector<std::uint8_t> data;
  char line[4096];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    survey.Add(UsbmonTextPacket(line, data));
    // Past what any usbmon line holds: the rest of the line is read unlooked at.
    while (std::strchr(line, '\n') == nullptr && std::fgets(line, sizeof line, file) != nullptr) {
    }
  }
  const CaptureSurvey::Found found = survey.Boards(device);
  if (!found.no_verdict) return {};
  return found.error + Tr("\nDevices in the usbmon text: {1}", survey.Devices()) +
         Advice(false, true, true);
}

}  // namespace

SessionResult ReadInput(std::FILE* file, bool usbmon, std::uint32_t device, SessionSink& sink) {
  char head[256];
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  if (std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return {{}, Tr("cannot be read from its start"), {}};
  }
  std::string_view start(head, got);
  InputForm form = RecogniseForm(start);
  const bool compressed = start.substr(0, 2) == "\x1f\x8b";
  SessionResult result;
  if (compressed || form == InputForm::kPcap || form == InputForm::kPcapng) {
    const gzFile stream = OpenStream(file);
    const int inflated = stream != nullptr ? gzread(stream, head, sizeof head) : -1;
    form = RecogniseForm(std::string_view(head, inflated > 0 ? inflated : 0));
    if (stream == nullptr) {
      result.error = Tr("cannot be read from its start");
    } else if (form == InputForm::kPcap || form == InputForm::kPcapng) {
      result = ReadCapture(stream, device, sink);
    } else {
      result.error = Tr("compressed, but no USB capture (pcap, pcapng): decompress it first");
    }
    if (stream != nullptr) gzclose(stream);
    std::fclose(file);
    return result;
  }
  if (usbmon && (form == InputForm::kJson || form == InputForm::kUnknown))
    form = InputForm::kUsbmonText;
  if (form == InputForm::kUnknown) {
    result.error =
        Tr("neither a USB capture (pcap, pcapng, gzip-compressed or not) nor a session "
           "(virtual-board --json lines, usbmon text)");
  } else if (form == InputForm::kUsbmonText) {
    result.error = SurveyText(file, device);
    std::rewind(file);
    if (result.error.empty()) result = ReadSessionFile(file, true, sink);
  } else {
    result = ReadSessionFile(file, false, sink);
  }
  std::fclose(file);
  return result;
}

}  // namespace station_check
