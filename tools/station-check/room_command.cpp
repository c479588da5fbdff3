#include "room_command.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <thread>

#include "console.h"
#include "error_text.h"
#include "messages.h"
#include "room.h"
#include "room_report.h"

namespace station_check {
namespace {

using messages::Tr;

namespace fs = std::filesystem;

// More sessions than this show how far the judging has come.
constexpr std::size_t kFew = 4;

int Fail(const std::string& why) {
  Write(stderr, Tr("station-check: {1}\n", why));
  return 2;
}

// Where a room dropped onto the program gets its reports: beside the folder, or beside the
// first file.
std::string Beside(const std::string& first, const char* name) {
  fs::path input = PathOf(first);
  if (!input.has_filename() && input.has_relative_path()) input = input.parent_path();
  return TextOf(input.parent_path() / name);
}

std::optional<std::string> ReadWhole(const std::string& name, std::string& why) {
  std::FILE* file = OpenFile(name, "rb");
  if (file == nullptr) {
    why = ErrorText(errno);
    return std::nullopt;
  }
  std::string text;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) why = Tr("cannot be read to its end");
  return failed ? std::nullopt : std::optional<std::string>(text);
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return !a.empty() && !b.empty() && fs::equivalent(PathOf(a), PathOf(b), error);
}

std::string Now() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  char day[32] = "", clock[16] = "";
  std::strftime(day, sizeof day, "%Y-%m-%d", local);
  std::strftime(clock, sizeof clock, "%H:%M", local);
  return Tr("Judged on {1} at {2}", day, clock);
}

// A report file opened before any judging, so that one that cannot be written stops the run
// before the room's time is spent.
struct Output {
  std::string name;
  std::ofstream out;

  bool Open() {
    if (!name.empty()) out.open(PathOf(name), std::ios::binary | std::ios::trunc);
    return name.empty() || out.is_open();
  }
  bool Close() {
    if (name.empty()) return true;
    out.close();
    return !out.fail();
  }
};

void JudgeShowingProgress(Room& room, const SessionReadOptions& options, unsigned threads) {
  const bool show = IsTerminal(stderr) && room.size() > kFew;
  JudgeRoom(room, options, threads, [&](std::size_t done, std::size_t total) {
    if (show) Write(stderr, "\r" + Tr("judged {1} of {2}", done, total) + " ");
  });
  if (show) Write(stderr, "\r" + std::string(40, ' ') + "\r");
}

// Writes the reports and, for a room dropped onto the program, says where they are and opens
// the page. False when one could not be written.
bool WriteReports(const Room& room, unsigned threads, Output& html, Output& csv, bool own_window) {
  if (!csv.name.empty()) WriteRoomCsv(room, csv.out);
  if (!html.name.empty()) WriteRoomHtml(room, Now(), threads, html.out);
  bool written = true;
  for (Output* output : {&csv, &html}) {
    if (output->Close()) continue;
    Write(stderr, Tr("station-check: cannot write {1}\n", output->name));
    written = false;
  }
  if (!own_window || !written) return written;
  if (!html.name.empty()) Write(stdout, Tr("\nThe report: {1}\n", html.name));
  if (!csv.name.empty()) Write(stdout, Tr("The table for a spreadsheet: {1}\n", csv.name));
  if (!html.name.empty() && !OpenWithItsProgram(html.name))
    Write(stdout, Tr("Open the report in a browser.\n"));
  return true;
}

}  // namespace

int RunRoom(RoomOptions options, bool own_window) {
  if (own_window && options.report.empty() && options.csv.empty()) {
    options.report = Beside(options.inputs.front(), "room.html");
    options.csv = Beside(options.inputs.front(), "room.csv");
  }
  ClassList list;
  if (!options.class_list.empty()) {
    for (const std::string* output : {&options.report, &options.csv})
      if (SameFile(*output, options.class_list))
        return Fail(Tr("{1} is the class list: a report would write over it", *output));
    std::string why;
    const std::optional<std::string> text = ReadWhole(options.class_list, why);
    if (!text) return Fail(Tr("{1}: cannot be read: {2}", options.class_list, why));
    list = ReadClassList(*text);
    if (!list.error.empty()) return Fail(Tr("{1}: {2}", options.class_list, list.error));
  }
  Output html{options.report, {}}, csv{options.csv, {}};
  for (Output* output : {&html, &csv})
    if (!output->Open()) return Fail(Tr("cannot write {1}", output->name));

  std::vector<fs::path> inputs, not_these;
  for (const std::string& input : options.inputs) inputs.push_back(PathOf(input));
  for (const std::string* name : {&options.report, &options.csv, &options.class_list})
    if (!name->empty()) not_these.push_back(PathOf(*name));
  Room room = PlanRoom(FindSessions(inputs, not_these), options.exercise,
                       options.class_list.empty() ? nullptr : &list);
  if (room.empty()) Write(stderr, Tr("station-check: no session found\n"));
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  JudgeShowingProgress(room, options.judge, threads);
  Write(stdout, RoomTable(room));
  if (!WriteReports(room, threads, html, csv, own_window)) return 2;
  return RoomStatus(room);
}

}  // namespace station_check
