#include "room_report.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "columns.h"
#include "in_order.h"
#include "messages.h"
#include "readers.h"

namespace station_check {
namespace {

// The CSV's words for a verdict and a rule's status, and for where the exercise came from, are
// English in every language: a spreadsheet's formulas count them. Its free text (a name, why a
// session could not be judged, a note) is in the user's language, as the table and page are.
const char* VerdictWord(Standing standing) {
  switch (standing) {
    case Standing::kPass:
      return messages::N_("PASS");
    case Standing::kFail:
      return messages::N_("FAIL");
    default:
      return messages::N_("could not be judged");
  }
}

// The verdict as the table and the page show it.
const char* ShownVerdict(Standing standing) {
  return messages::Tr(VerdictWord(standing));
}

const char* RuleWord(Status status) {
  switch (status) {
    case Status::kHeld:
      return "held";
    case Status::kBroken:
      return "broken";
    case Status::kNotSeen:
      return "not seen";
  }
  return "";
}

bool Judged(const RoomEntry& entry) {
  return static_cast<bool>(entry.outcome.picture);
}

// The exercise judged by, or 0 where none is known.
int ExerciseOf(const RoomEntry& entry) {
  return Judged(entry) ? entry.outcome.exercise : entry.exercise;
}

// Where the session showed the exercise, so marked.
std::string ExerciseText(const RoomEntry& entry) {
  const int exercise = ExerciseOf(entry);
  if (exercise == 0) return "-";
  if (entry.from == ExerciseFrom::kSeen) return messages::Tr("{1} (seen)", exercise);
  return std::to_string(exercise);
}

// "rule 4 at 4.003 s, rule 6 at 30.010 s"
std::string BrokenRules(const SessionOutcome& outcome) {
  std::string text;
  for (const RuleLine& rule : outcome.rules) {
    if (rule.status != Status::kBroken) continue;
    const std::string one = rule.broken_at_us ? messages::Tr("rule {1} at {2}", rule.number,
                                                             Seconds(*rule.broken_at_us))
                                              : messages::Tr("rule {1}", rule.number);
    text = text.empty() ? one : messages::Tr("{1}, {2}", text, one);
  }
  return text;
}

// The table's last column: the rules broken, or why the session could not be judged.
std::string Detail(const RoomEntry& entry) {
  switch (entry.standing) {
    case Standing::kPass:
      return {};
    case Standing::kFail:
      return BrokenRules(entry.outcome);
    case Standing::kMissing:
      return messages::Tr("missing: {1}", entry.why);
    case Standing::kUnlisted:
      if (!Judged(entry)) return messages::Tr("{1}; {2}", entry.why, entry.outcome.error);
      return messages::Tr(entry.outcome.pass ? messages::N_("{1}; as the exercise seen: PASS")
                                             : messages::N_("{1}; as the exercise seen: FAIL"),
                          entry.why);
    default:
      return entry.why;
  }
}

// The first offence of the session: its time and rule.
std::optional<std::pair<std::int64_t, int>> FirstBreak(const SessionOutcome& outcome) {
  std::optional<std::pair<std::int64_t, int>> first;
  for (const RuleLine& rule : outcome.rules)
    if (rule.broken_at_us && (!first || *rule.broken_at_us < first->first))
      first = std::make_pair(*rule.broken_at_us, rule.number);
  return first;
}

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t columns = Columns(text);
  return text + std::string(columns < width ? width - columns : 0, ' ') + "  ";
}

std::string CsvField(std::string text) {
  // A spreadsheet would run a field that begins so as a formula: a name is never one.
  if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos)
    text.insert(0, 1, '\'');
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

void CsvRow(const std::vector<std::string>& fields, std::ostream& out) {
  for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << CsvField(fields[i]);
  out << "\r\n";
}

std::size_t RuleCount(const Room& room) {
  std::size_t rules = 0;
  for (const RoomEntry& entry : room) rules = std::max(rules, entry.outcome.rules.size());
  return rules;
}

std::vector<std::string> CsvFields(const RoomEntry& entry, std::size_t rules) {
  static const char* const kFrom[] = {"given", "class list", "seen"};
  const int exercise = ExerciseOf(entry);
  std::vector<std::string> fields = {entry.name, exercise ? std::to_string(exercise) : "",
                                     kFrom[static_cast<int>(entry.from)],
                                     VerdictWord(entry.standing)};
  std::vector<std::string> marks(rules);
  for (const RuleLine& rule : entry.outcome.rules)
    if (rule.number >= 1 && static_cast<std::size_t>(rule.number) <= rules)
      marks[static_cast<std::size_t>(rule.number - 1)] = RuleWord(rule.status);
  fields.insert(fields.end(), marks.begin(), marks.end());
  const auto first = FirstBreak(entry.outcome);
  char seconds[32] = "";
  if (first)
    std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(first->first) / 1e6);
  fields.push_back(seconds);
  fields.push_back(first ? std::to_string(first->second) : "");
  std::string note = entry.standing == Standing::kFail ? "" : Detail(entry);
  for (const std::string& said : entry.outcome.notes)
    note = note.empty() ? said : messages::Tr("{1}; {2}", note, said);
  fields.push_back(note);
  return fields;
}

std::string Html(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

const char* StandingClass(Standing standing) {
  return standing == Standing::kPass ? "pass" : standing == Standing::kFail ? "fail" : "none";
}

// Fonts by name only: the page needs no file beside it. Candidates' names may be Chinese in
// either language: the faces are Orlanek's own, its Ming face for the text and its Kai face for
// the title, then what stands in for them where Windows' are missing.
const char kStyle[] = R"(<style>
body {
  font-family: "新細明體", "PMingLiU", "MingLiU", "細明體", "AR PL UMing TW", "AR PL UMing HK", serif;
  color: #202020; margin: 2em;
}
h1 { font-family: "標楷體", "DFKai-SB", "BiauKai", "AR PL UKai TW", "AR PL UKai HK", serif; }
table { border-collapse: collapse; }
th, td { border: 1px solid #999; padding: 0.2em 0.6em; text-align: left; vertical-align: top; }
th { background: #eee; }
td:nth-child(2), td:nth-child(3) { white-space: nowrap; }
.pass { color: #060; }
.fail, .none { color: #a00; font-weight: bold; }
section { border-top: 1px solid #999; margin-top: 2em; }
pre { white-space: pre-wrap; font-family: inherit; }
svg { display: block; max-width: 100%; height: auto; }
@page { size: A4; margin: 15mm; }
@media print {
  body { margin: 0; }
  a { color: inherit; text-decoration: none; }
  tr { break-inside: avoid; }
  section { break-before: page; border-top: none; margin-top: 0; }
}
</style>
)";

// The page's language, for the browser's choice of glyphs and a screen reader's voice.
const char* PageLanguage() {
  return messages::Chosen() == messages::Language::kTraditionalChinese ? "zh-Hant-TW" : "en";
}

void WriteTable(const Room& room, std::ostream& out) {
  out << "<table>\n<thead><tr><th>" << messages::Tr("Session") << "</th><th>"
      << messages::Tr("Exercise") << "</th><th>" << messages::Tr("Verdict") << "</th><th>"
      << messages::Tr("Rules broken (first offence), or why") << "</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < room.size(); ++i) {
    const RoomEntry& entry = room[i];
    out << "<tr><td><a href=\"#session-" << i + 1 << "\">" << Html(entry.name) << "</a></td><td>"
        << Html(ExerciseText(entry)) << "</td><td class=\"" << StandingClass(entry.standing)
        << "\">" << ShownVerdict(entry.standing) << "</td><td>" << Html(Detail(entry))
        << "</td></tr>\n";
  }
  out << "</tbody>\n</table>\n";
}

// The picture with a viewBox from its width and height, so that the page can scale it down to
// the paper's width. A long session's picture is large: it is written as it is, not copied.
void WriteScalable(std::string_view svg, std::ostream& out) {
  const std::string_view tag = svg.substr(0, svg.find('>'));
  const auto attribute = [&](std::string_view key) {
    const std::size_t at = tag.find(key);
    if (at == std::string_view::npos) return std::string_view();
    const std::size_t start = at + key.size();
    return tag.substr(start, tag.find('"', start) - start);
  };
  const std::string_view width = attribute(" width=\""), height = attribute(" height=\"");
  if (tag.substr(0, 4) == "<svg" && !width.empty() && !height.empty()) {
    out << "<svg viewBox=\"0 0 " << width << " " << height << "\"";
    svg.remove_prefix(4);
  }
  out.write(svg.data(), static_cast<std::streamsize>(svg.size()));
}

// One session's part of the page: what the table says of it, its rule lines, and its picture.
struct Section {
  std::string text, picture;

  Section(const RoomEntry& entry, std::size_t number) {
    std::ostringstream out;
    out << "<section id=\"session-" << number << "\">\n<h2>" << Html(entry.name)
        << "</h2>\n<p><span class=\"" << StandingClass(entry.standing) << "\">"
        << ShownVerdict(entry.standing) << "</span>";
    const std::string detail = Detail(entry);
    if (!detail.empty()) out << " &mdash; " << Html(detail);
    if (ExerciseOf(entry) != 0)
      out << "<br>" << Html(messages::Tr("Exercise {1}", ExerciseText(entry)));
    out << "</p>\n";
    std::string lines;
    for (const std::string& note : entry.outcome.notes) lines += note + "\n";
    lines += entry.outcome.text;
    if (!lines.empty()) out << "<pre>" << Html(lines) << "</pre>\n";
    text = std::move(out).str();
    if (!Judged(entry)) return;
    std::ostringstream drawn;
    entry.outcome.picture(drawn);
    picture = std::move(drawn).str();
  }

  void Write(std::ostream& out) const {
    out << text;
    WriteScalable(picture, out);
    out << "</section>\n";
  }
};

}  // namespace

std::string RoomTotals(const Room& room) {
  std::size_t count[5] = {};
  for (const RoomEntry& entry : room) ++count[static_cast<int>(entry.standing)];
  const auto of = [&](Standing s) { return count[static_cast<int>(s)]; };
  const std::size_t unjudged = room.size() - of(Standing::kPass) - of(Standing::kFail);
  // Whether any are missing, and whether any are not in the class list.
  static const char* const kFormats[] = {
      messages::N_("{1} in all: {2} PASS, {3} FAIL, {4} could not be judged"),
      messages::N_("{1} in all: {2} PASS, {3} FAIL, {4} could not be judged ({5} missing)"),
      messages::N_("{1} in all: {2} PASS, {3} FAIL, {4} could not be judged "
                   "({6} not in the class list)"),
      messages::N_("{1} in all: {2} PASS, {3} FAIL, {4} could not be judged "
                   "({5} missing, {6} not in the class list)"),
  };
  const int format = (of(Standing::kMissing) > 0 ? 1 : 0) + (of(Standing::kUnlisted) > 0 ? 2 : 0);
  return messages::Tr(kFormats[format], room.size(), of(Standing::kPass), of(Standing::kFail),
                      unjudged, of(Standing::kMissing), of(Standing::kUnlisted));
}

std::string RoomTable(const Room& room) {
  const std::vector<std::string> head = {messages::Tr("session"), messages::Tr("exercise"),
                                         messages::Tr("verdict")};
  std::size_t widths[3] = {Columns(head[0]), Columns(head[1]), Columns(head[2])};
  for (const RoomEntry& entry : room) {
    widths[0] = std::max(widths[0], std::min<std::size_t>(Columns(entry.name), 40));
    widths[1] = std::max(widths[1], Columns(ExerciseText(entry)));
    widths[2] = std::max(widths[2], Columns(ShownVerdict(entry.standing)));
  }
  const auto line = [&](const std::string& a, const std::string& b, const std::string& c,
                        const std::string& d) {
    std::string text = Padded(a, widths[0]) + Padded(b, widths[1]) + Padded(c, widths[2]) + d;
    return text.substr(0, text.find_last_not_of(' ') + 1) + "\n";
  };
  std::string table =
      line(head[0], head[1], head[2], messages::Tr("rules broken (first offence), or why"));
  for (const RoomEntry& entry : room)
    table += line(entry.name, ExerciseText(entry), ShownVerdict(entry.standing), Detail(entry));
  return table + RoomTotals(room) + "\n";
}

void WriteRoomCsv(const Room& room, std::ostream& out) {
  const std::size_t rules = RuleCount(room);
  std::vector<std::string> head = {"session", "exercise", "exercise from", "verdict"};
  for (std::size_t rule = 1; rule <= rules; ++rule) head.push_back("rule " + std::to_string(rule));
  head.insert(head.end(), {"first break (s)", "rule broken first", "note"});
  out << "\xEF\xBB\xBF";
  CsvRow(head, out);
  for (const RoomEntry& entry : room) CsvRow(CsvFields(entry, rules), out);
}

void WriteRoomHtml(const Room& room, const std::string& made, unsigned threads, std::ostream& out) {
  const std::string title = Html(messages::Tr("station-check: the room"));
  out << "<!DOCTYPE html>\n<html lang=\"" << PageLanguage()
      << "\">\n<head>\n<meta charset=\"utf-8\">\n<title>" << title << "</title>\n"
      << kStyle << "</head>\n<body>\n<h1>" << title << "</h1>\n<p>" << Html(made) << "<br>"
      << Html(RoomTotals(room)) << "</p>\n";
  WriteTable(room, out);
  // A long session's picture is large: only a few wait to be written at any time.
  InOrder(
      room.size(), threads, 2 * static_cast<std::size_t>(std::max(threads, 1u)),
      [&](std::size_t i) { return Section(room[i], i + 1); },
      [&](std::size_t, const Section& section) { section.Write(out); });
  out << "</body>\n</html>\n";
}

}  // namespace station_check
