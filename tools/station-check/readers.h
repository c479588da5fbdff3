#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One line of a session, as virtual-board --json or the kernel's usbmon text writes it.
namespace station_check {

struct Record {
  // kRefused: a control transfer to the device completed with an error (usbmon), or a report
  // the system did not take (the library's log: "failed" in place of "report").
  enum class Kind { kNothing, kReport, kPlugged, kUnplugged, kRefused };
  Kind kind = Kind::kNothing;
  // When it happened, in microseconds on the writer's own clock.
  std::int64_t us = 0;
  // kReport: the feature report as the board received it, report ID first.
  std::vector<std::uint8_t> report;
  // usbmon only: the bus and device address the report went to (bus * 1000 + address); a new
  // address means the board was plugged in again.
  std::uint32_t device = 0;
  // usbmon only: the transfer's tag, which its completion repeats.
  std::uint64_t tag = 0;
};

// A record, or what is wrong with the line (error not empty).
struct LineResult {
  Record record;
  std::string error;
};

// A line of virtual-board --json: {"ms": 3007, "report": [0, 3, 0, ...], ...} or
// {"ms": 5500, "event": "unplugged"}. Blank lines and objects without a report or a plug
// event are kNothing; other fields are ignored.
LineResult ReadJsonLine(std::string_view line);

// A line of usbmon text (the "u" form): the submission of a SET_REPORT(Feature) control
// transfer (s 21 09 03xx ...) becomes a report with the report ID 0 in front of its data
// bytes; a control OUT transfer's completion with an error status is kRefused; every other
// well-formed line is kNothing.
LineResult ReadUsbmonLine(std::string_view line);

// The line that says how many transfers the board refused.
std::string RefusedNote(std::size_t refused);
// A time in microseconds, to the millisecond: "12.345 s".
std::string Seconds(std::int64_t us);

// Where a reader hands a session on as it reads it: the reports and the board's plug changes,
// one at a time, in their order.
class SessionSink {
 public:
  virtual ~SessionSink() = default;
  // us: when, on the session's clock; bytes: the report as the board received it, report ID
  // first; number: its line or packet.
  virtual void Report(std::int64_t us, std::span<const std::uint8_t> bytes, std::size_t number) = 0;
  virtual void Plug(std::int64_t us, bool plugged) = 0;
};

// How a read went: error (naming the line or packet) when the session cannot be read; notes:
// what the reader saw fit to say besides (transfers the board refused, where a cut capture
// ends). The session itself went to the reader's sink.
struct SessionResult {
  std::size_t reports = 0;  // how many reports were handed on
  std::string error;
  std::vector<std::string> notes;
};

// Hands records, in their order, on to a sink. With device_plugs, times are the writer's own
// clock (made to start at 0) and a report to a new device address is the board plugged in
// again.
class SessionBuilder {
 public:
  SessionBuilder(bool device_plugs, SessionSink& sink) : device_plugs_(device_plugs), sink_(sink) {}
  // An error when the record cannot follow the ones before; number: its line or packet.
  std::string Add(Record record, std::size_t number);
  std::size_t reports() const { return reports_; }

 private:
  bool device_plugs_;
  SessionSink& sink_;
  std::size_t reports_ = 0;
  std::int64_t last_ = 0, offset_ = 0, origin_ = 0, last_raw_ = 0;
  std::uint32_t device_ = 0;
  bool any_ = false;
};

// A whole session from its text (virtual-board --json lines, or with usbmon the usbmon text),
// handed on to sink.
SessionResult ReadSession(std::string_view text, bool usbmon, SessionSink& sink);
// The same read line by line from a file, holding one line at a time.
SessionResult ReadSessionFile(std::FILE* file, bool usbmon, SessionSink& sink);

// The forms of input, told apart by their first bytes.
enum class InputForm { kJson, kUsbmonText, kPcap, kPcapng, kUnknown };
InputForm RecogniseForm(std::string_view head);

}  // namespace station_check
