#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "readers.h"

// USB captures as Wireshark, tshark, dumpcap and USBPcapCMD save them (pcap or pcapng): the
// board's session from the control transfers on the bus.
namespace station_check {

// The link types of USB captures.
constexpr int kLinkUsbLinux = 189, kLinkUsbLinuxMmapped = 220, kLinkUsbPcap = 249;

// One packet of a USB capture, as far as the board's session needs it.
struct UsbPacket {
  enum class Kind {
    kOther,     // not a control transfer's stage
    kSubmit,    // a control transfer sent: its setup, and the data of an OUT transfer
    kOutData,   // the OUT data in a stage of its own (older USBPcap)
    kComplete,  // (part of) the answer: the data of an IN transfer, whether it failed
  };
  Kind kind = Kind::kOther;
  std::uint64_t id = 0;      // pairs a transfer's packets
  std::uint32_t device = 0;  // bus * 1000 + address
  bool failed = false;       // kComplete: the host controller reported an error
  std::uint8_t setup[8] = {};
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// Decodes one packet of the given link type; kOther for everything that is no part of a
// control transfer, or too short to be one.
UsbPacket DecodeUsbPacket(int link_type, const std::uint8_t* bytes, std::size_t size);

// Follows a capture's packets and, at its end, finds the board and gives its session.
class CaptureSession {
 public:
  // device: the board's bus * 1000 + address as the user named it, or 0 to find it.
  explicit CaptureSession(std::uint32_t device) : chosen_(device) {}
  // number: the packet's number in the capture, from 1; us: its time.
  void Add(const UsbPacket& packet, std::size_t number, std::int64_t us);
  // Hands the board's session on to sink.
  SessionResult Finish(SessionSink& sink);

 private:
  struct Sent {
    std::uint32_t device = 0;
    std::size_t number = 0;
    std::int64_t us = 0;
    std::uint8_t report_id = 0;
    std::vector<std::uint8_t> data;
    bool refused = false;
  };
  struct Device {
    bool described = false;  // its device descriptor is in the capture
    bool board = false;      // and names the board
    bool reports = false;    // it received feature reports
  };
  struct Open {
    bool report = false;  // else a request for the device descriptor
    std::size_t sent = 0;
    std::uint32_t device = 0;
  };

  std::vector<std::uint32_t> BoardDevices(std::string& error) const;

  std::uint32_t chosen_;
  std::vector<Sent> sent_;
  std::map<std::uint32_t, Device> devices_;
  std::map<std::uint64_t, Open> open_;
};

// A whole capture from an open file at its start, handed on to sink; takes the file. device as
// for CaptureSession.
SessionResult ReadCapture(std::FILE* file, std::uint32_t device, SessionSink& sink);

// A session in whichever form the file holds, told by its first bytes, handed on to sink;
// takes the file (closes it). usbmon: text is usbmon text even where it does not look so.
SessionResult ReadInput(std::FILE* file, bool usbmon, std::uint32_t device, SessionSink& sink);

}  // namespace station_check
