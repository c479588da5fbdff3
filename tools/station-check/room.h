#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "session_file.h"

// A room of sessions judged together after an exam: finding them among files and folders, the
// exercise of each (for all, from a class list, or as seen), judging them on every core.
namespace station_check {

// File names are UTF-8 text throughout the program.
std::filesystem::path PathOf(const std::string& utf8);
std::string TextOf(const std::filesystem::path& path);

// A class list as a spreadsheet saves it: a header line, then one candidate a line, the file or
// candidate name, then the exercise drawn (1 to 10), by commas or semicolons, fields quoted
// where they need it; UTF-8 with or without a byte-order mark. error names the line at fault.
struct ClassEntry {
  std::string name;
  int exercise = 0;
  std::size_t line = 0;
};
struct ClassList {
  std::vector<ClassEntry> entries;
  std::string error;
};
ClassList ReadClassList(std::string_view text);

struct SessionFile {
  std::filesystem::path path;
  std::string error;  // a folder that cannot be listed
};
// sessions: the files named, and in each folder named the files that begin as a session does
// (whatever their names); others: the rest of those folders' files, for a class list that
// names one. Paths in not_these (the room's own reports) are left out.
struct FoundFiles {
  std::vector<SessionFile> sessions, others;
};
FoundFiles FindSessions(const std::vector<std::filesystem::path>& inputs,
                        const std::vector<std::filesystem::path>& not_these);

enum class ExerciseFrom { kGiven, kClassList, kSeen };
enum class Standing { kPass, kFail, kUnreadable, kMissing, kUnlisted };

struct RoomEntry {
  std::string name;            // the file's name, or the class list's for a missing one
  std::filesystem::path path;  // empty for a missing one
  ExerciseFrom from = ExerciseFrom::kSeen;
  int exercise = 0;  // to judge by; 0: the one seen
  Standing standing = Standing::kUnreadable;
  std::string why;  // kUnreadable, kMissing, kUnlisted
  SessionOutcome outcome;
};
using Room = std::vector<RoomEntry>;

// The room's entries sorted by name, each with its exercise: from the class list where there
// is one (with an entry for each listed name that has no session), else exercise (0: the one
// seen).
Room PlanRoom(const FoundFiles& found, int exercise, const ClassList* list);

// Judges every session on up to threads threads; progress(done, total) after each session, on
// the calling thread.
void JudgeRoom(Room& room, const SessionReadOptions& options, unsigned threads,
               const std::function<void(std::size_t, std::size_t)>& progress);

// 2 when any session could not be judged, else 1 when any failed, else 0.
int RoomStatus(const Room& room);

// Whether a sorts before b: letters without regard to case, runs of digits by their value
// ("candidate-2" before "candidate-10").
bool NameBefore(std::string_view a, std::string_view b);

}  // namespace station_check
