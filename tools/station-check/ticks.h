#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "board_protocol.h"
#include "judge.h"
#include "station_model.h"

// A session cut into the ticks that sent something, each with the writes it made, and the two
// rules that the reports alone decide: their form and the red latch's.
namespace station_check {

using Write = orlanek::BoardWrite;
using Writes = std::vector<Write>;

// One tick of the reference, in microseconds: the run window's timer period.
constexpr std::int64_t kSecond = std::int64_t{orlanek::board::kTickMs} * 1000;

// One rule's first offence.
struct RuleState {
  bool broken = false;
  std::string detail;
  std::size_t tick = SIZE_MAX;

  void Break(std::size_t at, std::string what);
};

struct Tick {
  std::int64_t us = 0;
  std::vector<const Report*> reports;
  Writes writes;
  bool plugged_before = false;  // a plug-in since the tick before
  bool away_before = false;     // the board was away for some time since the tick before
};

// The ticks of a session; form and latch take the first offence of rules 1 and 2.
std::vector<Tick> CutIntoTicks(const Session& session, RuleState& form, RuleState& latch);

// "at T s (line N: bytes of the tick's first report)".
std::string Where(const Tick& tick);
// "green 3, red 0", or "nothing".
std::string Describe(const Writes& writes);

}  // namespace station_check
