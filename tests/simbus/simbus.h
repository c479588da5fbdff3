#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A simulated HID bus: the library's third platform layer, for tests only. Interfaces are
// scripted here, every platform call the library makes is written down in order, and the
// sets, handles and preparsed data it holds are counted.
namespace simbus {

struct Interface {
  // The device path text; it may hold NUL characters.
  std::string path;
  // The ids the device reports about itself once opened.
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  // The feature report byte length its capabilities give, report ID included.
  std::uint16_t feature_length = 9;
  bool open_refused = false;
  bool attributes_unreadable = false;
  // Its detail sizing query reports a size below 5, as for an interface that just vanished.
  bool short_detail = false;
  // When not negative: the interface is unplugged after this many more platform calls.
  int gone_after_calls = -1;
};

// Removes every interface and forgets the record and the counters. Resources the library
// still holds stay valid handles of the bus.
void Reset();
// Adds an interface at the end of the bus and returns its id; ids count from 0 per Reset.
int Add(const Interface& interface);
// The LED board: ids 0x1234 / 0x6789 in its path and its attributes, 9-byte feature report.
Interface Board();
// An interface that stays plugged but takes no part in enumeration while unplugged.
void Unplug(int id);
void Plug(int id);

// Every platform call since the last ClearRecord, one line each, e.g.
// "EnumDeviceInterfaces set=1 index=0 size=32" or "SetFeature device=2 length=9".
const std::vector<std::string>& Calls();
// The bytes of every feature report handed to SetFeature, as many as its length gives.
const std::vector<std::vector<std::uint8_t>>& Reports();
// The id of the interface each report went to, in the order of Reports().
const std::vector<int>& ReportTargets();
void ClearRecord();

int LiveSets();
int LiveHandles();
int LivePreparsed();
// Calls that passed a set, handle or preparsed data that was never handed out or was already
// released; a sound library makes none.
int Faults();

}  // namespace simbus
