#include "ticks.h"

#include <algorithm>
#include <cstdio>

#include "board_protocol.h"
#include "readers.h"

namespace station_check {
namespace {

namespace board = orlanek::board;

// Reports closer than this belong to one tick; a tick's reports go out back to back.
constexpr std::int64_t kTickSpread = 300'000;

// A control byte as the station's designers write it: &H20.
std::string Hex(int control) {
  char text[8];
  std::snprintf(text, sizeof text, "&H%02X", control & 0xFF);
  return text;
}

std::string At(const Report& report) {
  return "at " + Seconds(report.us) + " (line " + std::to_string(report.line) + ")";
}

// Groups the reports into ticks, noting the plug changes since the tick before.
std::vector<Tick> GroupIntoTicks(const Session& session) {
  std::vector<Tick> ticks;
  std::size_t plug = 0;
  bool present = true, plugged = false, away = false;
  const Report* previous = nullptr;
  for (const Report& report : session.reports) {
    bool changed = false;
    for (; plug < session.plugs.size() && session.plugs[plug].us <= report.us; ++plug) {
      present = session.plugs[plug].plugged;
      plugged = plugged || present;
      away = away || !present;
      changed = true;
    }
    if (ticks.empty() || changed || report.us - previous->us > kTickSpread) {
      ticks.emplace_back();
      ticks.back().us = report.us;
      ticks.back().plugged_before = plugged;
      ticks.back().away_before = away;
      plugged = false;
      away = !present;
    }
    ticks.back().reports.push_back(&report);
    previous = &report;
  }
  return ticks;
}

// Rule 1: report ID 0, a control byte the station sends, zero padding, one length throughout.
void CheckForm(const Report& report, std::size_t length, std::size_t t, RuleState& form) {
  const std::vector<std::uint8_t>& bytes = report.bytes;
  if (bytes.size() < board::kPaddingFrom) {
    form.Break(t, At(report) + ": a report of " + std::to_string(bytes.size()) + " bytes");
  } else if (bytes[0] != board::kReportId) {
    form.Break(t, At(report) + ": report ID " + std::to_string(bytes[0]));
  } else if (!board::KnownControl(bytes[board::kControlAt])) {
    form.Break(t, At(report) + ": control byte " + std::to_string(bytes[board::kControlAt]));
  } else if (std::any_of(bytes.begin() + board::kPaddingFrom, bytes.end(),
                         [](std::uint8_t b) { return b; })) {
    form.Break(t, At(report) + ": a padding byte is not 0");
  } else if (bytes.size() != length) {
    form.Break(t, At(report) + ": " + std::to_string(bytes.size()) + " bytes after reports of " +
                      std::to_string(length));
  }
}

int Control(const Report* report) {
  return report->bytes.size() < board::kPaddingFrom ? -1 : report->bytes[board::kControlAt];
}
std::uint8_t Data(const Report* report) {
  return report->bytes[board::kDataAt];
}
bool RedControl(int control) {
  return control == board::kRedHold || control == board::kRedStrobe;
}

// Rule 2 over one run of red-latch reports [begin, end): whole latches (hold, strobe, hold) with
// one data byte. A broken one is judged by what the board latched, the data of its last strobe.
void ReadLatches(const Tick& tick, std::size_t begin, std::size_t end, std::size_t t,
                 RuleState& latch, Writes& writes) {
  const auto control = [&](std::size_t k) { return k < end ? Control(tick.reports[k]) : -1; };
  const auto data = [&](std::size_t k) { return Data(tick.reports[k]); };
  for (std::size_t i = begin; i < end; i += board::kRedLatch.size()) {
    bool whole = true;
    for (std::size_t k = 0; k < board::kRedLatch.size(); ++k)
      whole = whole && control(i + k) == board::kRedLatch[k] && data(i + k) == data(i);
    if (whole) {
      writes.push_back({true, data(i)});
      continue;
    }
    std::string seen, latch_form;
    for (std::size_t k = i; k < std::min(end, i + board::kRedLatch.size()); ++k)
      seen += (seen.empty() ? "" : ", ") + std::to_string(data(k)) + "/" + Hex(control(k));
    for (const std::uint8_t control_byte : board::kRedLatch)
      latch_form += (latch_form.empty() ? "" : ", ") + Hex(control_byte);
    latch.Break(t, At(*tick.reports[i]) + ": the latch went data/control " + seen + ", not " +
                       latch_form + " with one data byte");
    std::uint8_t latched = data(i);
    for (std::size_t k = i; k < end; ++k)
      if (control(k) == board::kRedStrobe) latched = data(k);
    writes.push_back({true, latched});
    return;
  }
}

// The writes of one tick: a green write is one report, a red latch a run of three.
Writes ReadWrites(const Tick& tick, std::size_t t, RuleState& latch) {
  Writes writes;
  for (std::size_t i = 0; i < tick.reports.size();) {
    const int control = Control(tick.reports[i]);
    if (control == board::kGreenWrite) writes.push_back({false, Data(tick.reports[i])});
    if (!RedControl(control)) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < tick.reports.size() && RedControl(Control(tick.reports[end]))) ++end;
    ReadLatches(tick, i, end, t, latch, writes);
    i = end;
  }
  return writes;
}

}  // namespace

void RuleState::Break(std::size_t at, std::string what) {
  if (broken) return;
  broken = true;
  tick = at;
  detail = std::move(what);
}

std::vector<Tick> CutIntoTicks(const Session& session, RuleState& form, RuleState& latch) {
  std::vector<Tick> ticks = GroupIntoTicks(session);
  const std::size_t length = session.reports.empty() ? 0 : session.reports[0].bytes.size();
  for (std::size_t t = 0; t < ticks.size(); ++t) {
    for (const Report* report : ticks[t].reports) CheckForm(*report, length, t, form);
    ticks[t].writes = ReadWrites(ticks[t], t, latch);
  }
  return ticks;
}

std::string Where(const Tick& tick) {
  const Report& first = *tick.reports.front();
  std::string text = "at " + Seconds(tick.us) + " (line " + std::to_string(first.line) + ":";
  for (const std::uint8_t byte : first.bytes) text += " " + std::to_string(byte);
  return text + ")";
}

std::string Describe(const Writes& writes) {
  if (writes.empty()) return "nothing";
  std::string text;
  for (const Write& write : writes) {
    if (!text.empty()) text += ", ";
    text += (write.red ? "red " : "green ") + std::to_string(write.value);
  }
  return text;
}

}  // namespace station_check
