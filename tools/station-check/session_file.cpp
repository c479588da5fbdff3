#include "session_file.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <system_error>

#include "capture.h"
#include "picture.h"

namespace station_check {
namespace {

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

void Judged(const Session& session, int exercise, const JudgeOptions& options,
            SessionOutcome& outcome) {
  auto verdict = std::make_shared<const Verdict>(Judge(session, exercise, options.tolerance_ms));
  outcome.exercise = verdict->exercise;
  outcome.pass = verdict->pass;
  for (const RuleResult& rule : verdict->rules) {
    RuleLine line{rule.number, rule.name, rule.status, std::nullopt};
    if (rule.status == Status::kBroken) line.broken_at_us = TimeOf(rule.detail);
    outcome.rules.push_back(std::move(line));
  }
  outcome.text = Describe(*verdict);
  outcome.picture = [verdict](std::ostream& out) { WritePictureSvg(*verdict, out); };
}

}  // namespace

SessionOutcome JudgeSessionFile(const std::filesystem::path& file, int exercise,
                                const JudgeOptions& options) {
  SessionOutcome outcome;
  std::FILE* input = OpenForReading(file);
  if (input == nullptr) {
    outcome.error = "cannot be read: " + std::generic_category().message(errno);
    return outcome;
  }
  try {
    SessionResult read = ReadInput(input, options.usbmon, options.device);
    outcome.notes = std::move(read.notes);
    if (!read.error.empty()) {
      outcome.error = read.error;
    } else if (read.session.reports.empty()) {
      // A wrong file, or a program that never reached the board: a teacher has to look.
      outcome.error = "no report to the board in it";
    } else {
      Judged(read.session, exercise, options, outcome);
    }
  } catch (const std::bad_alloc&) {
    outcome = {};
    outcome.error = "too large to be judged in this computer's memory";
  } catch (const std::exception& e) {
    outcome = {};
    outcome.error = std::string("the judge stopped: ") + e.what();
  }
  return outcome;
}

}  // namespace station_check
