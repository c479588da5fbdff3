#include "room.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <system_error>

#include "error_text.h"
#include "in_order.h"
#include "messages.h"
#include "readers.h"

namespace station_check {
namespace {

using messages::Tr;

namespace fs = std::filesystem;

struct CsvRecord {
  std::vector<std::string> fields;
  std::size_t line = 0;  // where it begins
};

// RFC 4180 records with the given separator; a blank line is a record of one empty field.
std::vector<CsvRecord> CsvRecords(std::string_view text, char separator) {
  std::vector<CsvRecord> records;
  CsvRecord record{{}, 1};
  std::string field;
  std::size_t line = 1;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool doubled = i + 1 < text.size() && text[i + 1] == c;
    if (quoted && c == '"') {
      quoted = doubled;
      if (doubled) field += text[++i];
    } else if (quoted || (c != '"' && c != separator && c != '\r' && c != '\n')) {
      if (c == '\n') ++line;
      field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == separator) {
      record.fields.push_back(std::move(field));
      field.clear();
    } else {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      record.fields.push_back(std::move(field));
      records.push_back(std::move(record));
      record = {{}, ++line};
      field.clear();
    }
  }
  if (!field.empty() || !record.fields.empty()) {
    record.fields.push_back(std::move(field));
    records.push_back(std::move(record));
  }
  return records;
}

// A spreadsheet saves with the separator of its language's settings: the one that parts the
// header's fields.
char SeparatorOf(std::string_view text) {
  const std::string_view first = text.substr(0, text.find_first_of("\r\n"));
  return std::count(first.begin(), first.end(), ';') > std::count(first.begin(), first.end(), ',')
             ? ';'
             : ',';
}

std::string Trimmed(const std::string& text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return {};
  return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

std::optional<int> ExerciseOf(const std::string& field) {
  const std::string text = Trimmed(field);
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const int exercise = std::stoi(text);
  if (exercise < 1 || exercise > 10) return std::nullopt;
  return exercise;
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// File names on Windows are the same whatever their letters' case.
bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

// A class list names a file by its whole name or by its name without the extension.
bool Names(const std::string& listed, const fs::path& file) {
  return SameName(listed, TextOf(file.filename())) || SameName(listed, TextOf(file.stem()));
}

std::optional<std::size_t> Listed(const ClassList& list, const fs::path& file) {
  std::optional<std::size_t> found;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    if (!Names(list.entries[i].name, file)) continue;
    if (SameName(list.entries[i].name, TextOf(file.filename()))) return i;
    if (!found) found = i;
  }
  return found;
}

bool IsOneOf(const fs::path& file, const std::vector<fs::path>& paths) {
  return std::any_of(paths.begin(), paths.end(), [&](const fs::path& path) {
    std::error_code error;
    return fs::equivalent(file, path, error);
  });
}

// Whether a file begins as a session does; one that cannot be opened is taken as one, so that
// the room says why it cannot be read.
bool BeginsAsSession(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open()) return true;
  char head[256];
  in.read(head, sizeof head);
  return RecogniseForm(std::string_view(head, static_cast<std::size_t>(in.gcount()))) !=
         InputForm::kUnknown;
}

void ListFolder(const fs::path& folder, const std::vector<fs::path>& not_these, FoundFiles& found) {
  std::error_code error;
  fs::directory_iterator entry(folder, error);
  for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
    const fs::path& file = entry->path();
    std::error_code ignored;
    if (!entry->is_regular_file(ignored) || IsOneOf(file, not_these)) continue;
    (BeginsAsSession(file) ? found.sessions : found.others).push_back({file, {}});
  }
  if (error)
    found.sessions.push_back({folder, Tr("the folder cannot be read: {1}", ErrorText(error))});
}

// A file named on its own and found in its folder as well is one session.
void DropRepeats(std::vector<SessionFile>& files) {
  std::set<fs::path> seen;
  std::erase_if(files, [&](const SessionFile& file) {
    std::error_code error;
    const fs::path whole = fs::weakly_canonical(file.path, error);
    return !seen.insert(error ? file.path : whole).second;
  });
}

// Judged: those with a file that the room has no objection to.
bool ToJudge(const RoomEntry& entry) {
  return !entry.path.empty() && (entry.why.empty() || entry.standing == Standing::kUnlisted);
}

RoomEntry Planned(const SessionFile& file, int exercise, const ClassList* list,
                  std::vector<bool>& used) {
  RoomEntry entry;
  entry.path = file.path;
  entry.name = TextOf(file.path.has_filename() ? file.path.filename() : file.path);
  entry.why = file.error;
  if (!file.error.empty()) return entry;
  if (list == nullptr) {
    entry.exercise = exercise;
    entry.from = exercise != 0 ? ExerciseFrom::kGiven : ExerciseFrom::kSeen;
    return entry;
  }
  const std::optional<std::size_t> listed = Listed(*list, file.path);
  if (!listed) {
    entry.standing = Standing::kUnlisted;
    entry.why = Tr("not in the class list");
    return entry;
  }
  used[*listed] = true;
  entry.exercise = list->entries[*listed].exercise;
  entry.from = ExerciseFrom::kClassList;
  return entry;
}

// Each listed name that no session took: a file of that name that begins as no session does
// (judged, to say why), else the candidate's session is missing.
void AddTheUnfound(const std::vector<SessionFile>& others, const ClassList& list,
                   std::vector<bool>& used, Room& room) {
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    if (used[i]) continue;
    const ClassEntry& listed = list.entries[i];
    const auto other = std::find_if(others.begin(), others.end(), [&](const SessionFile& f) {
      return Names(listed.name, f.path);
    });
    if (other != others.end()) {
      room.push_back(Planned(*other, 0, &list, used));
      continue;
    }
    RoomEntry missing;
    missing.name = listed.name;
    missing.exercise = listed.exercise;
    missing.from = ExerciseFrom::kClassList;
    missing.standing = Standing::kMissing;
    missing.why = Tr("no session of this name");
    room.push_back(std::move(missing));
  }
}

// Files of one name from different folders are told apart by their paths.
void NameUniquely(Room& room) {
  std::map<std::string, int> count;
  for (const RoomEntry& entry : room) ++count[entry.name];
  for (RoomEntry& entry : room)
    if (count[entry.name] > 1 && !entry.path.empty()) entry.name = TextOf(entry.path);
}

void Settle(RoomEntry& entry) {
  if (entry.standing == Standing::kUnlisted) return;
  if (!entry.outcome.error.empty()) {
    entry.standing = Standing::kUnreadable;
    entry.why = entry.outcome.error;
  } else {
    entry.standing = entry.outcome.pass ? Standing::kPass : Standing::kFail;
  }
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Compares the runs of digits at a[i] and b[j] by value, and moves past them.
int CompareNumbers(std::string_view a, std::size_t& i, std::string_view b, std::size_t& j) {
  while (i + 1 < a.size() && a[i] == '0' && IsDigit(a[i + 1])) ++i;
  while (j + 1 < b.size() && b[j] == '0' && IsDigit(b[j + 1])) ++j;
  const std::size_t a_start = i, b_start = j;
  while (i < a.size() && IsDigit(a[i])) ++i;
  while (j < b.size() && IsDigit(b[j])) ++j;
  const std::string_view x = a.substr(a_start, i - a_start), y = b.substr(b_start, j - b_start);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  return x.compare(y);
}

}  // namespace

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TextOf(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

ClassList ReadClassList(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  ClassList list;
  std::map<std::string, std::size_t> seen;  // by the name in lower case: its line
  const std::vector<CsvRecord> records = CsvRecords(text, SeparatorOf(text));
  for (std::size_t r = 0; r < records.size(); ++r) {
    const CsvRecord& record = records[r];
    if (record.fields.size() == 1 && Trimmed(record.fields[0]).empty()) continue;
    const std::optional<int> exercise =
        record.fields.size() >= 2 ? ExerciseOf(record.fields[1]) : std::nullopt;
    // The first line is the header, unless it already names a candidate's exercise.
    if (r == 0 && !exercise) continue;
    const std::string name = Trimmed(record.fields[0]);
    if (name.empty()) return {{}, Tr("line {1}: no name", record.line)};
    if (!exercise)
      return {{},
              Tr("line {1}: the exercise of {2} is not a number from 1 to 10", record.line, name)};
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(), Lower);
    const auto [earlier, added] = seen.emplace(key, record.line);
    if (!added)
      return {{},
              Tr("line {1}: {2} is listed twice (line {3})", record.line, name, earlier->second)};
    list.entries.push_back({name, *exercise, record.line});
  }
  if (list.entries.empty()) list.error = Tr("names no candidate");
  return list;
}

FoundFiles FindSessions(const std::vector<fs::path>& inputs,
                        const std::vector<fs::path>& not_these) {
  FoundFiles found;
  for (const fs::path& input : inputs) {
    std::error_code error;
    if (fs::is_directory(input, error)) {
      ListFolder(input, not_these, found);
    } else {
      found.sessions.push_back({input, {}});
    }
  }
  DropRepeats(found.sessions);
  return found;
}

Room PlanRoom(const FoundFiles& found, int exercise, const ClassList* list) {
  Room room;
  std::vector<bool> used(list != nullptr ? list->entries.size() : 0);
  for (const SessionFile& file : found.sessions)
    room.push_back(Planned(file, exercise, list, used));
  if (list != nullptr) AddTheUnfound(found.others, *list, used, room);
  NameUniquely(room);
  std::stable_sort(room.begin(), room.end(), [](const RoomEntry& a, const RoomEntry& b) {
    return NameBefore(a.name, b.name);
  });
  return room;
}

void JudgeRoom(Room& room, const SessionReadOptions& options, unsigned threads,
               const std::function<void(std::size_t, std::size_t)>& progress) {
  std::vector<RoomEntry*> judged;
  for (RoomEntry& entry : room)
    if (ToJudge(entry)) judged.push_back(&entry);
  InOrder(
      judged.size(), threads, judged.size(),
      [&](std::size_t i) {
        return JudgeSessionFile(judged[i]->path, judged[i]->exercise, options);
      },
      [&](std::size_t i, SessionOutcome& outcome) {
        judged[i]->outcome = std::move(outcome);
        Settle(*judged[i]);
        if (progress) progress(i + 1, judged.size());
      });
}

int RoomStatus(const Room& room) {
  // A room with nothing in it has nothing that passed.
  if (room.empty()) return 2;
  int status = 0;
  for (const RoomEntry& entry : room) {
    if (entry.standing == Standing::kFail) status = 1;
    if (entry.standing != Standing::kPass && entry.standing != Standing::kFail) return 2;
  }
  return status;
}

bool NameBefore(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      if (const int order = CompareNumbers(a, i, b, j)) return order < 0;
    } else if (Lower(a[i]) != Lower(b[j])) {
      return static_cast<unsigned char>(Lower(a[i])) < static_cast<unsigned char>(Lower(b[j]));
    } else {
      ++i, ++j;
    }
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;
}

}  // namespace station_check
