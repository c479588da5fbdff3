#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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
  // When set, its detail sizing query reports this size instead of the one its path needs, as
  // for an interface that vanished just before (a size below 5).
  std::optional<std::uint32_t> sizing_reports;
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
// Adds Board() at the end of the bus and returns its id.
int AddBoard();
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

// A report as the board reads it: bytes 1 and 2, 0 where the report was too short for them.
struct DataCtrl {
  std::uint8_t data;
  std::uint8_t ctrl;
  bool operator==(const DataCtrl&) const = default;
};
// Reports() from the first-th on, as the board reads them.
std::vector<DataCtrl> DataCtrlReports(std::size_t first = 0);
void ClearRecord();

// The library's session log is the file VARNEL_SESSION_LOG names, looked for at the library's
// first open or report after a Reset, which closes it again. Its clock stands still unless
// moved on here; a whole program run over the bus (SIMBUS_BOARD_FILE) has the system's clock.
void AdvanceClock(std::int64_t ms);

int LiveSets();
int LiveHandles();
int LivePreparsed();
// Calls that passed a set, handle or preparsed data that was never handed out or was already
// released; a sound library makes none.
int Faults();

}  // namespace simbus
