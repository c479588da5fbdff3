#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "capture_file.h"
#include "readers.h"

// USB captures as Wireshark, tshark, dumpcap and USBPcapCMD save them (pcap or pcapng, gzip
// compressed or not): the board's session from the control transfers on the bus.
namespace station_check {

// One packet of a USB capture, as far as the board's session needs it.
struct UsbPacket {
  enum class Kind {
    kOther,     // not a control transfer's stage
    kSubmit,    // a control transfer sent: its setup, and the data of an OUT transfer
    kOutData,   // the OUT data in a stage of its own (older USBPcap)
    kComplete,  // (part of) the answer: the data of an IN transfer, whether it failed
  };
  Kind kind = Kind::kOther;
  bool starts = false;       // a transfer of any type sent to the device
  std::uint64_t id = 0;      // pairs a transfer's packets
  std::uint32_t device = 0;  // bus * 1000 + address; 0 for no packet of a device
  bool failed = false;       // kComplete: the host controller reported an error
  std::uint8_t setup[8] = {};
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// Decodes one packet of the given link type; kOther for everything that is no part of a
// control transfer, or too short to be one. big_endian: the capturing machine's byte order,
// which usbmon's header is written in.
UsbPacket DecodeUsbPacket(int link_type, bool big_endian, const std::uint8_t* bytes,
                          std::size_t size);

// A first reading of a capture: the devices on its bus, how many transfers each had, their ids
// where their descriptors are in it, which received feature reports. Finds the board.
class CaptureSurvey {
 public:
  // The input, as its messages name it.
  enum class Input { kCapture, kUsbmonText };
  explicit CaptureSurvey(Input input = Input::kCapture) : input_(input) {}
  void Add(const UsbPacket& packet);
  // The board's addresses (bus * 1000 + address): those that name themselves the board, and
  // chosen, as the user named it (0: the one device without a descriptor that received feature
  // reports). None, and an error, when no feature report went to the board (no_verdict: the
  // input holds no traffic to it, so no verdict can be given) or several devices could be it.
  struct Found {
    std::vector<std::uint32_t> boards;
    std::string error;
    bool no_verdict = false;
  };
  Found Boards(std::uint32_t chosen) const;
  // The devices seen: "1.2 (046d:c52b, 840 transfers), 1.3 (12 transfers)".
  std::string Devices() const;

 private:
  struct Device {
    bool described = false;  // its device descriptor is in the capture
    std::uint16_t vendor = 0, product = 0;
    bool reports = false;  // it received feature reports
    std::size_t transfers = 0;
  };

  Input input_;
  std::map<std::uint32_t, Device> devices_;
  std::map<std::uint64_t, std::uint32_t> descriptors_;  // open requests for one: id, device
};

// Hands the board's feature reports on in capture order, each once its transfer completed (a
// refused one only counted), holding only the transfers still open.
class CaptureStream {
 public:
  CaptureStream(std::vector<std::uint32_t> boards, SessionBuilder& builder)
      : boards_(std::move(boards)), builder_(builder) {}
  // An error when a report cannot follow the ones before.
  std::string Add(const UsbPacket& packet, std::size_t number, std::int64_t us);
  // The transfers still open, as sent: their completions are not in the capture.
  std::string Finish() { return Release(true); }
  std::size_t refused() const { return refused_; }

 private:
  struct Sent {
    std::uint64_t id = 0;
    std::size_t number = 0;
    Record record;
    bool data = false;  // its data came
    bool done = false, refused = false;
  };

  Sent* Open(std::uint64_t id);
  std::string Release(bool all);

  std::vector<std::uint32_t> boards_;
  SessionBuilder& builder_;
  std::deque<Sent> open_;
  std::size_t refused_ = 0;
};

// A session in whichever form the file holds, told by its first bytes (after gzip's, for a
// capture); takes the file (closes it). usbmon: text is usbmon text even where it does not look
// so. device: the board as the user named it (bus * 1000 + address), or 0 to find it. The
// session is handed on to sink as it is read.
SessionResult ReadInput(std::FILE* file, bool usbmon, std::uint32_t device, SessionSink& sink);

}  // namespace station_check
