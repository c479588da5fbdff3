#pragma once

#include <cstddef>
#include <cstdint>

// The session log: every feature report the library hands to the platform and every change in
// the board's presence as the opens see it, one JSON line each, in the form that virtual-board
// --json writes and station-check reads:
//   {"ms":0,"event":"plugged"}
//   {"ms":1000,"report":[0,3,0,0,0,0,0,0,0],"length":9}
// "ms" counts from the session's first line. A report the platform refused (the board was
// pulled out after the open) is written with "failed" in place of "report", so that it shows
// but does not count as sent. Without a log nothing is written or built.
namespace varnel::session_log {

// An open's result (-1 opened, 0 not): "plugged" or "unplugged" when it differs from the last
// one; a session starts with the board away, as the board sees a program that has not opened
// it yet. Returns result.
std::int16_t NoteOpen(std::int16_t result);
// A feature report handed to the platform, length bytes, and whether the platform took it.
void NoteReport(const std::uint8_t* report, std::size_t length, bool sent);

}  // namespace varnel::session_log
