#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "judge.h"

// The practice coach: the session judged as it comes, with station-check's judge, and after
// each report or plug change what a practising candidate is shown. It only watches: the board
// answers the same with it or without it.
namespace virtual_board {

struct CoachView {
  station_check::Frame now;  // the board's rows and the reference's, as judged so far
  std::vector<station_check::RuleResult> rules;
  std::string first_break;  // the first rule broken, in the user's language; empty while none is
  int breaks = 0;           // the rules broken so far, the first among them
};

class Coach {
 public:
  // exercise: 1 to 10, or 0 for the one the steps show; frames: the picture's, or null.
  Coach(int exercise, station_check::Frames* frames);

  const CoachView& Report(std::int64_t us, std::span<const std::uint8_t> bytes, std::size_t number);
  const CoachView& Plug(std::int64_t us, bool plugged);
  const CoachView& view() const { return view_; }
  station_check::Verdict Finish();

 private:
  void Update(const station_check::Verdict& verdict);

  station_check::Judge judge_;
  CoachView view_;
};

// The view for a terminal: the reference's rows, the rules, and the first break with the
// count of breaks, a line each (the last only once a rule is broken).
std::vector<std::string> CoachLines(const CoachView& view);

// The two rows for a terminal, named in the user's language.
std::string Rows(std::uint8_t green, std::uint8_t red);

}  // namespace virtual_board
