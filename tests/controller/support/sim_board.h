#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "doubles/hid_bus.h"
#else
#include "simbus.h"
#endif

namespace orlanek::testing {

// One feature report as the board reads it.
struct BoardReport {
  int data;
  int ctrl;
  bool operator==(const BoardReport&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const BoardReport& report) {
  return out << "(" << report.data << ", 0x" << std::hex << report.ctrl << std::dec << ")";
}

// The LED board on the simulated bus, behind an unrelated HID device, as the program reaches
// it through the library it loads by name.
#ifdef _WIN32
// On Windows the board is one of the setupapi.dll and hid.dll doubles' interfaces, reached
// through the real Varnel.dll.
class SimBoard {
 public:
  void Reset() {
    Bus_Reset();
    Bus_Add("vid_046d&pid_c31c&mi_00", 0x046d, 0xc31c, 9, 0);
    board_ = Bus_Add("vid_1234&pid_6789", 0x1234, 0x6789, 9, 0);
    Bus_SetPresent(board_, FALSE);
    taken_ = 0;
  }
  void Plug() { Bus_SetPresent(board_, TRUE); }
  void Unplug() { Bus_SetPresent(board_, FALSE); }

  std::vector<BoardReport> TakeReports() {
    std::vector<BoardReport> reports;
    for (; taken_ < Bus_ReportCount(); ++taken_) {
      std::uint8_t bytes[64] = {};
      Bus_Report(taken_, bytes, sizeof bytes);
      reports.push_back({bytes[1], bytes[2]});
    }
    return reports;
  }
  int Opens() {
    int opens = 0;
    char call[512];
    for (int i = 0; i < Bus_CallCount(); ++i) {
      Bus_Call(i, call, sizeof call);
      opens += std::string(call).rfind("HidP_GetCaps ", 0) == 0;
    }
    return opens;
  }
  int LiveHandles() { return Bus_LiveHandles(); }
  int LiveSets() { return Bus_LiveSets(); }
  int LivePreparsed() { return Bus_LivePreparsed(); }

 private:
  int board_ = 0;
  int taken_ = 0;
};
#else
class SimBoard {
 public:
  void Reset() {
    simbus::Reset();
    simbus::Interface keyboard;
    keyboard.path = "\\\\?\\hid#vid_046d&pid_c31c&mi_00#7&1f2e#{4d1e55b2}";
    keyboard.vendor_id = 0x046d;
    keyboard.product_id = 0xc31c;
    simbus::Add(keyboard);
    board_ = simbus::Add(simbus::Board());
    simbus::Unplug(board_);
    taken_ = 0;
  }
  void Plug() { simbus::Plug(board_); }
  void Unplug() { simbus::Unplug(board_); }

  // The reports that reached the board since the last call.
  std::vector<BoardReport> TakeReports() {
    std::vector<BoardReport> reports;
    const auto& all = simbus::Reports();
    for (; taken_ < all.size(); ++taken_) reports.push_back({all[taken_][1], all[taken_][2]});
    return reports;
  }
  // How many times the program had the board opened.
  int Opens() {
    int opens = 0;
    for (const auto& call : simbus::Calls()) {
      if (call.rfind("GetCaps ", 0) == 0) ++opens;
    }
    return opens;
  }
  int LiveHandles() { return simbus::LiveHandles(); }
  int LiveSets() { return simbus::LiveSets(); }
  int LivePreparsed() { return simbus::LivePreparsed(); }

 private:
  int board_ = 0;
  std::size_t taken_ = 0;
};

#endif

}  // namespace orlanek::testing
