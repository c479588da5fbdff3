// station-check judges whole sessions: every line read, then the ticks, runs and walks they make.
// The first byte picks the form (bit 7: usbmon) and the exercise (0 for the one seen); the rest
// is the session's text.
#include <cstddef>
#include <cstdint>
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
  const station_check::SessionResult read = station_check::ReadSession(text, usbmon);
  if (!read.error.empty()) {
    FuzzCheck(read.error.rfind("line ", 0) == 0, "an error that names no line");
    return 0;
  }
  const station_check::Verdict verdict = station_check::Judge(read.session, exercise);
  FuzzCheck(verdict.rules.size() == 6, "not six rules judged");
  FuzzCheck(verdict.exercise >= 1 && verdict.exercise <= 10, "no exercise 1 to 10");
  bool pass = verdict.rules[5].status != Status::kBroken;
  for (int rule = 0; rule < 5; ++rule) pass = pass && verdict.rules[rule].status == Status::kHeld;
  FuzzCheck(verdict.pass == pass, "a verdict other than its rules give");
  const std::string said = station_check::Describe(verdict);
  const std::string last = verdict.pass ? "\nPASS\n" : "\nFAIL\n";
  FuzzCheck(
      said.size() > last.size() && said.compare(said.size() - last.size(), last.size(), last) == 0,
      "a description that does not end in its verdict");
  station_check::PictureSvg(verdict);
  return 0;
}
