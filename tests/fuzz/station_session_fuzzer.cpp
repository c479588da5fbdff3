// station-check judges whole sessions: every line read, then the ticks, runs and walks they make.
// The first byte picks the form (bit 7: usbmon) and the exercise (0 for the one seen); the rest
// is the session's text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "judge.h"
#include "picture.h"
#include "readers.h"

using station_check::Status;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool usbmon = (data[0] & 0x80) != 0;
  const int exercise = (data[0] & 0x7f) % 11;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  station_check::Frames frames(std::tmpfile());
  station_check::Judge judge({exercise, station_check::kToleranceMs, &frames});
  const station_check::SessionResult read = station_check::ReadSession(text, usbmon, judge);
  if (!read.error.empty()) {
    FuzzCheck(read.error.rfind("line ", 0) == 0, "an error that names no line");
    return 0;
  }
  const station_check::Verdict verdict = judge.Finish();
  FuzzCheck(verdict.rules.size() == 6, "not six rules judged");
  FuzzCheck(verdict.exercise >= 0 && verdict.exercise <= 10, "no exercise 1 to 10, nor none");
  FuzzCheck(exercise == 0 || verdict.exercise == exercise, "not the exercise given");
  bool pass = verdict.rules[5].status != Status::kBroken;
  for (int rule = 0; rule < 5; ++rule) pass = pass && verdict.rules[rule].status == Status::kHeld;
  FuzzCheck(verdict.pass == pass, "a verdict other than its rules give");
  const std::string said = station_check::Describe(verdict);
  const std::string last = verdict.pass ? "\nPASS\n" : "\nFAIL\n";
  FuzzCheck(
      said.size() > last.size() && said.compare(said.size() - last.size(), last.size(), last) == 0,
      "a description that does not end in its verdict");
  FuzzCheck(!station_check::PictureSvg(verdict, frames).empty(), "no picture");
  return 0;
}
