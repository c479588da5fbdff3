// Lets a whole program run against the bus: with SIMBUS_BOARD_FILE set, the bus holds the LED
// board, plugged in while that file exists (and refusing to be opened with SIMBUS_BOARD_REFUSED
// set as well); with SIMBUS_REPORT_LOG set, every feature report is
// appended to that file as one line "milliseconds data ctrl length"; with SIMBUS_SESSION_LOG
// set, every report and every plug change of the board is appended to that file as
// virtual-board --json writes them. A logged program's calls and reports are kept nowhere else.
// Such a whole program's session log (VARNEL_SESSION_LOG) runs on the system's clock.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "simbus.h"
#include "simbus_state.h"

namespace simbus {
namespace {

std::int64_t SinceStart() {
  static const auto start = std::chrono::steady_clock::now();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

void LogSession(Bus& bus, const std::string& line) {
  std::fprintf(bus.session_log, "%s\n", line.c_str());
  std::fflush(bus.session_log);
}

struct EnvironmentScript {
  EnvironmentScript() {
    Bus& bus = TheBus();
    if (const char* file = std::getenv("SIMBUS_BOARD_FILE")) {
      bus.board_file = file;
      Interface board = Board();
      board.open_refused = std::getenv("SIMBUS_BOARD_REFUSED") != nullptr;
      bus.board_id = Add(board);
    }
    if (const char* log = std::getenv("SIMBUS_REPORT_LOG")) bus.report_log = std::fopen(log, "a");
    if (const char* log = std::getenv("SIMBUS_SESSION_LOG")) bus.session_log = std::fopen(log, "a");
    // A whole program may run for long: its logs are the record, not the bus's memory.
    if (bus.report_log || bus.session_log) bus.keep_record = false;
    SinceStart();
    bus.FollowBoardFile();
  }
};

const EnvironmentScript script;

}  // namespace

void Bus::FollowBoardFile() {
  if (board_file.empty() || board_id >= static_cast<int>(interfaces.size())) return;
  const bool present = access(board_file.c_str(), F_OK) == 0;
  interfaces[board_id].present = present;
  if (session_log != nullptr && present != board_present)
    LogSession(*this, virtual_board::JsonEvent(SinceStart(), present ? "plugged" : "unplugged"));
  board_present = present;
}

void Bus::LogReport(const std::vector<std::uint8_t>& report) {
  if (session_log != nullptr) {
    shown.Apply(report);
    LogSession(*this, shown.JsonLine(SinceStart(), 0, report));
  }
  if (report_log == nullptr) return;
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  std::fprintf(
      report_log, "%lld %u %u %zu\n",
      static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()),
      report.size() > 1 ? report[1] : 0u, report.size() > 2 ? report[2] : 0u, report.size());
  std::fflush(report_log);
}

}  // namespace simbus
