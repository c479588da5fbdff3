#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "judge.h"

// One session file read and judged, as a room of them needs it: everything the room's table and
// report show, with the picture drawn only when it is written.
namespace station_check {

// How every session of a room is read and judged.
struct SessionReadOptions {
  bool usbmon = false;
  std::uint32_t device = 0;  // bus * 1000 + address, or 0 to find the board
  int tolerance_ms = kToleranceMs;
};

// One rule as the room's report shows it.
struct RuleLine {
  int number = 0;
  std::string name;
  Status status = Status::kNotSeen;
  std::optional<std::int64_t> broken_at_us;  // the time of the first offence
};

struct SessionOutcome {
  std::string error;               // not empty: why the session could not be judged
  std::vector<std::string> notes;  // what the reader said besides
  int exercise = 0;                // the exercise judged by
  bool pass = false;
  std::vector<RuleLine> rules;
  std::string text;  // the verdict as station-check prints it for one file
  // Draws the session tick by tick as SVG; empty when it could not be judged.
  std::function<void(std::ostream&)> picture;
};

// exercise: 1 to 10, or 0 to take the one whose steps the session shows. Never throws: whatever
// goes wrong with this one session is its error.
SessionOutcome JudgeSessionFile(const std::filesystem::path& file, int exercise,
                                const SessionReadOptions& options);

}  // namespace station_check
