#include "session_file.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>

#include "capture.h"
#include "error_text.h"
#include "frames.h"
#include "messages.h"
#include "picture.h"

namespace station_check {
namespace {

using messages::Tr;

// Windows's narrow fopen would take the name for its code page's text.
std::FILE* OpenForReading(const std::filesystem::path& file) {
#ifdef _WIN32
  return _wfopen(file.c_str(), L"rb");
#else
  return std::fopen(file.c_str(), "rb");
#endif
}

// A broken rule's detail begins with the time of its first offence: "at 4.003 s (line ...".
std::optional<std::int64_t> TimeOf(const std::string& detail) {
  unsigned long long whole = 0;
  unsigned milliseconds = 0;
  int used = 0;
  if (std::sscanf(detail.c_str(), "at %llu.%3u s%n", &whole, &milliseconds, &used) != 2 ||
      used == 0)
    return std::nullopt;
  return static_cast<std::int64_t>(whole) * 1'000'000 + std::int64_t{milliseconds} * 1000;
}

void Judged(Verdict judged, std::shared_ptr<const Frames> frames, SessionOutcome& outcome) {
  auto verdict = std::make_shared<const Verdict>(std::move(judged));
  outcome.exercise = verdict->exercise;
  outcome.pass = verdict->pass;
  for (const RuleResult& rule : verdict->rules) {
    RuleLine line{rule.number, rule.name, rule.status, std::nullopt};
    if (rule.status == Status::kBroken) line.broken_at_us = TimeOf(rule.detail);
    outcome.rules.push_back(std::move(line));
  }
  outcome.text = Describe(*verdict);
  outcome.picture = [verdict, frames](std::ostream& out) {
    WritePictureSvg(*verdict, *frames, out);
  };
}

}  // namespace

SessionOutcome JudgeSessionFile(const std::filesystem::path& file, int exercise,
                                const SessionReadOptions& options) {
  SessionOutcome outcome;
  std::FILE* input = OpenForReading(file);
  if (input == nullptr) {
    outcome.error = Tr("cannot be read: {1}", ErrorText(errno));
    return outcome;
  }
  try {
    // The picture's frames wait in a file of their own until the page draws them.
    auto frames = std::make_shared<Frames>(std::tmpfile());
    Judge judge({exercise, options.tolerance_ms, frames.get()});
    SessionResult read = ReadInput(input, options.usbmon, options.device, judge);
    outcome.notes = std::move(read.notes);
    if (!read.error.empty()) {
      outcome.error = read.error;
    } else if (read.reports == 0) {
      // A wrong file, or a program that never reached the board: a teacher has to look.
      outcome.error = Tr("no report to the board in it");
    } else {
      Judged(judge.Finish(), std::move(frames), outcome);
    }
  } catch (const std::bad_alloc&) {
    outcome = {};
    outcome.error = Tr("too large to be judged in this computer's memory");
  } catch (const std::exception& e) {
    outcome = {};
    outcome.error = Tr("the judge stopped: {1}", e.what());
  }
  return outcome;
}

}  // namespace station_check
