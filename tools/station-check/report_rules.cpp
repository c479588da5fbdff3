#include "report_rules.h"

#include <algorithm>
#include <cstdio>

#include "board_protocol.h"
#include "readers.h"

namespace station_check {
namespace {

namespace board = orlanek::board;

// A control byte as the station's designers write it: &H20.
std::string Hex(int control) {
  char text[8];
  std::snprintf(text, sizeof text, "&H%02X", control & 0xFF);
  return text;
}

}  // namespace

void RuleState::Break(Said what) {
  if (broken) return;
  broken = true;
  detail = std::move(what);
}

std::uint8_t Seen::data() const {
  return bytes.size() > board::kDataAt ? bytes[board::kDataAt] : 0;
}

std::uint8_t Seen::control() const {
  return bytes.size() > board::kControlAt ? bytes[board::kControlAt] : 0;
}

bool Seen::red_latch() const {
  return known && control() != board::kGreenWrite;
}

void FormRule::Check(const Seen& report) {
  const std::vector<std::uint8_t>& bytes = report.bytes;
  if (reports++ == 0) length = bytes.size();
  if (state.broken) return;  // only the first offence is told
  if (bytes.size() < board::kPaddingFrom) {
    state.Break(Say(N_("{1}: a report of {2} bytes"), At(report), bytes.size()));
  } else if (bytes[0] != board::kReportId) {
    state.Break(Say(N_("{1}: report ID {2}"), At(report), bytes[0]));
  } else if (!board::KnownControl(bytes[board::kControlAt])) {
    state.Break(Say(N_("{1}: control byte {2}"), At(report), bytes[board::kControlAt]));
  } else if (std::any_of(bytes.begin() + board::kPaddingFrom, bytes.end(),
                         [](std::uint8_t b) { return b; })) {
    state.Break(Say(N_("{1}: a padding byte is not 0"), At(report)));
  } else if (bytes.size() != length) {
    state.Break(Say(N_("{1}: {2} bytes after reports of {3}"), At(report), bytes.size(), length));
  }
}

void LatchRule::Take(Seen report, std::deque<Seen>& out) {
  if (!report.red_latch()) {
    if (!partial_.empty()) Break(nullptr, out);
    out.push_back(std::move(report));
    return;
  }
  const std::size_t at = partial_.size();
  if (report.control() == board::kRedLatch[at] &&
      (at == 0 || report.data() == partial_.front().data())) {
    partial_.push_back(std::move(report));
    if (partial_.size() < board::kRedLatch.size()) return;
    for (Seen& whole : partial_) out.push_back(std::move(whole));
    partial_.clear();
    return;
  }
  Break(&report, out);
  // The report that broke a latch may begin the next one.
  if (report.control() == board::kRedLatch[0]) {
    partial_.push_back(std::move(report));
  } else {
    report.broken_latch = true;
    out.push_back(std::move(report));
  }
}

void LatchRule::Cut(std::int64_t us, std::deque<Seen>& out) {
  if (!partial_.empty() && us - partial_.back().us > allowance_) return Break(nullptr, out);
  for (Seen& cut : partial_) out.push_back(std::move(cut));
  partial_.clear();
}

void LatchRule::Finish(std::deque<Seen>& out) {
  if (!partial_.empty()) Break(nullptr, out);
}

// The latch so far is broken, by breaker if it is a report of a latch: the board latched the
// data of its strobe, if any.
void LatchRule::Break(const Seen* breaker, std::deque<Seen>& out) {
  std::vector<const Seen*> reports;
  for (const Seen& report : partial_) reports.push_back(&report);
  if (breaker != nullptr) reports.push_back(breaker);
  if (!state.broken) {
    // Bytes as numbers and &H codes read the same in every language.
    std::string seen, form;
    for (const Seen* report : reports)
      seen += (seen.empty() ? "" : ", ") + std::to_string(report->data()) + "/" +
              Hex(report->control());
    for (const std::uint8_t control : board::kRedLatch)
      form += (form.empty() ? "" : ", ") + Hex(control);
    state.Break(Say(N_("{1}: the latch went data/control {2}, not {3} with one data byte"),
                    At(*reports.front()), seen, form));
  }
  for (Seen& broken : partial_) {
    broken.broken_latch = true;
    out.push_back(std::move(broken));
  }
  partial_.clear();
}

Said At(const Seen& report) {
  return Say(N_("at {1} (line {2})"), Seconds(report.us), report.number);
}

Said Where(const Seen& report) {
  std::string bytes;
  for (const std::uint8_t byte : report.bytes)
    bytes += (bytes.empty() ? "" : " ") + std::to_string(byte);
  return Say(N_("at {1} (line {2}: {3})"), Seconds(report.us), report.number, bytes);
}

Said Describe(const Writes& writes) {
  Said text;
  for (const BoardWrite& write : writes) {
    const Said one = Say(write.red ? N_("red {1}") : N_("green {1}"), write.value);
    text = text.english.empty() ? one : Say(N_("{1}, {2}"), text, one);
  }
  return text;
}

Said DescribeReport(const Seen& report) {
  return Describe({{report.red_latch(), report.data()}});
}

}  // namespace station_check
