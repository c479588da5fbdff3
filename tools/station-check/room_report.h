#pragma once

#include <ostream>
#include <string>

#include "room.h"

// The room's verdicts for a person and for the exam records: the table printed, a page of HTML
// and a table for a spreadsheet. The table and the page are in the user's language.
namespace station_check {

// One line per session, as sorted: name, exercise, verdict, the rules broken with the time of
// the first offence (or why it could not be judged); then the totals.
std::string RoomTable(const Room& room);

// "40 in all: 31 PASS, 7 FAIL, 2 could not be judged"
std::string RoomTotals(const Room& room);

// One row per session with a column per rule, as a spreadsheet on Windows opens it: UTF-8 with
// a byte-order mark, lines ended by CR LF, fields quoted as RFC 4180 has it, and no field that
// a spreadsheet would take for a formula. Its column names and status words are English in every
// language, its free text in the user's.
void WriteRoomCsv(const Room& room, std::ostream& out);

// One page that needs nothing beside it: the room's table, then each session's rules and its
// picture, a session a page when printed. made: when, for the page's heading. The pictures are
// drawn on up to threads threads.
void WriteRoomHtml(const Room& room, const std::string& made, unsigned threads, std::ostream& out);

}  // namespace station_check
