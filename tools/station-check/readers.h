#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One line of a session, as virtual-board --json or the kernel's usbmon text writes it.
namespace station_check {

struct Record {
  enum class Kind { kNothing, kReport, kPlugged, kUnplugged };
  Kind kind = Kind::kNothing;
  // When it happened, in microseconds on the writer's own clock.
  std::int64_t us = 0;
  // kReport: the feature report as the board received it, report ID first.
  std::vector<std::uint8_t> report;
  // usbmon only: the bus and device address the report went to (bus * 1000 + address); a new
  // address means the board was plugged in again.
  std::uint32_t device = 0;
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
// bytes; every other well-formed line is kNothing.
LineResult ReadUsbmonLine(std::string_view line);

}  // namespace station_check
