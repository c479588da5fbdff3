#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform.h"
#include "simbus.h"
#include "simbus_state.h"

namespace simbus {

Bus& TheBus() {
  static Bus bus;
  return bus;
}

void Reset() {
  Bus& bus = TheBus();
  bus.interfaces.clear();
  bus.board_file.clear();
  ClearRecord();
  bus.faults = 0;
  if (bus.library_log >= 0) close(bus.library_log);
  bus.library_log = -1;
  bus.library_log_looked = false;
}

int Add(const Interface& interface) {
  TheBus().interfaces.push_back({interface, true});
  return static_cast<int>(TheBus().interfaces.size()) - 1;
}

Interface Board() {
  Interface board;
  board.path =
      "\\\\?\\hid#vid_1234&pid_6789#7&2f1c7e5&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  board.vendor_id = 0x1234;
  board.product_id = 0x6789;
  return board;
}

int AddBoard() {
  return Add(Board());
}

void AdvanceClock(std::int64_t ms) {
  TheBus().clock_ms += ms;
}

void Unplug(int id) {
  TheBus().interfaces.at(id).present = false;
}
void Plug(int id) {
  TheBus().interfaces.at(id).present = true;
}

const std::vector<std::string>& Calls() {
  return TheBus().calls;
}
const std::vector<std::vector<std::uint8_t>>& Reports() {
  return TheBus().reports;
}
const std::vector<int>& ReportTargets() {
  return TheBus().report_targets;
}

std::vector<DataCtrl> DataCtrlReports(std::size_t first) {
  std::vector<DataCtrl> pairs;
  const auto& reports = TheBus().reports;
  for (std::size_t i = first; i < reports.size(); ++i) {
    const auto& bytes = reports[i];
    pairs.push_back({bytes.size() > 1 ? bytes[1] : std::uint8_t{0},
                     bytes.size() > 2 ? bytes[2] : std::uint8_t{0}});
  }
  return pairs;
}

void ClearRecord() {
  Bus& bus = TheBus();
  bus.calls.clear();
  bus.reports.clear();
  bus.report_targets.clear();
}

int LiveSets() {
  return static_cast<int>(TheBus().sets.size());
}
int LiveHandles() {
  return static_cast<int>(TheBus().handles.size());
}
int LivePreparsed() {
  return static_cast<int>(TheBus().preparsed.size());
}
int Faults() {
  return TheBus().faults;
}

void Bus::Record(std::string call) {
  if (keep_record) calls.push_back(std::move(call));
  for (Entry& entry : interfaces) {
    if (entry.interface.gone_after_calls < 0) continue;
    if (entry.interface.gone_after_calls-- == 0) entry.present = false;
  }
}

}  // namespace simbus
