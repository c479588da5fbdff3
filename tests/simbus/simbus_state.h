#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "board_state.h"
#include "platform.h"
#include "simbus.h"

// The bus's inside, shared by its control functions and its platform layer.
namespace simbus {

struct Entry {
  Interface interface;
  bool present;
};

struct Bus {
  std::vector<Entry> interfaces;
  // Each live set holds the ids of the interfaces present when it was acquired.
  std::map<varnel::platform::Handle, std::vector<int>> sets;
  std::map<varnel::platform::Handle, int> handles;
  std::map<varnel::platform::Handle, std::uint16_t> preparsed;
  varnel::platform::Handle next_handle = 1;

  // The record of calls and reports; a whole program that logs its reports to a file keeps
  // none, so that its memory does not grow with the run.
  bool keep_record = true;
  std::vector<std::string> calls;
  std::vector<std::vector<std::uint8_t>> reports;
  std::vector<int> report_targets;
  int faults = 0;

  // Set by a program run under the environment script (environment_script.cpp).
  std::string board_file;
  int board_id = 0;
  std::FILE* report_log = nullptr;
  // The session as virtual-board --json writes it: reports and plug changes.
  std::FILE* session_log = nullptr;
  virtual_board::BoardState shown;
  bool board_present = false;

  // The library's own session log: its file (-1 for none), looked for once after a Reset;
  // each file is handed out under a handle of its own, so that the library starts afresh.
  int library_log = -1;
  bool library_log_looked = false;
  varnel::platform::Handle library_log_handle = 0;
  std::int64_t clock_ms = 0;

  // Writes a call down; interfaces due to vanish count it.
  void Record(std::string call);
  void FollowBoardFile();
  void LogReport(const std::vector<std::uint8_t>& report);
};

Bus& TheBus();

}  // namespace simbus
