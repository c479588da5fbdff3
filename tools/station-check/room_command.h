#pragma once

#include <string>
#include <vector>

#include "session_file.h"

// station-check run on a room of sessions: its files and terminal.
namespace station_check {

struct RoomOptions {
  std::vector<std::string> inputs;  // files and folders, in UTF-8
  int exercise = 0;                 // for every session, or 0
  std::string class_list, report, csv;
  SessionReadOptions judge;
};

// Judges the room, prints its table and writes its reports; the exit status. own_window: the
// room was dropped onto the program, whose reports go beside it and whose page is opened.
int RunRoom(RoomOptions options, bool own_window);

}  // namespace station_check
