#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "room.h"
#include "room_report.h"
#include "station_model.h"

namespace station_check {
namespace {

namespace fs = std::filesystem;

// A candidate's session as the board records it, played by the station model: the exercise
// chosen, "Green LED" to the run's end, "Red LED" to the walk's end, the board pulled out for a
// tick and put back, EXIT. wrong_tick: a tick of the green run whose step has a wrong LED.
std::string CandidateSession(std::int16_t exercise, int wrong_tick = -1) {
  orlanek::StationModel station;
  std::string text = "{\"ms\":0,\"event\":\"plugged\"}\n";
  constexpr std::int64_t kChosenMs = 300;
  std::int64_t ms = kChosenMs;
  int tick = 0;
  const auto send = [&](const orlanek::Answer& answer) {
    for (orlanek::BoardReport r : orlanek::ReportsOf(answer.writes)) {
      if (tick == wrong_tick && r.control == 0) r.data ^= 1;
      text += "{\"ms\":" + std::to_string(ms++) + ",\"report\":[0," + std::to_string(r.data) + "," +
              std::to_string(r.control) + ",0,0,0,0,0,0]}\n";
    }
  };
  const auto ticks = [&](int count, std::int16_t board) {
    for (int i = 0; i < count; ++i) {
      ms = kChosenMs + ++tick * 1000;  // the run window's timer starts at the choice
      send(station.Tick(board));
    }
  };
  station.RunWindowLoaded();
  send(station.ExerciseChosen(static_cast<std::int16_t>(exercise - 1), -1));
  station.ButtonClicked(orlanek::kRunModeGreen);
  ticks(22, -1);
  station.ButtonClicked(orlanek::kRunModeRed);
  ticks(10, -1);
  text +=
      "{\"ms\":" + std::to_string(kChosenMs + tick * 1000 + 500) + ",\"event\":\"unplugged\"}\n";
  ticks(1, 0);
  text += "{\"ms\":" + std::to_string(kChosenMs + tick * 1000 + 500) + ",\"event\":\"plugged\"}\n";
  ticks(2, -1);
  station.ButtonClicked(orlanek::kRunModeExit);
  ticks(1, -1);
  return text;
}

// RFC 4180 records of CR LF lines, each line checked to end so.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' && quoted && i + 1 < text.size() && text[i + 1] == '"') {
      rows.back().back() += text[++i];
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      rows.back().emplace_back();
    } else if (!quoted && c == '\r') {
      EXPECT_EQ(text[i + 1], '\n') << "a line ends in CR alone";
      ++i;
      if (i + 1 < text.size()) rows.emplace_back(1);
    } else {
      EXPECT_TRUE(quoted || c != '\n') << "a line ends in LF alone";
      rows.back().back() += c;
    }
  }
  return rows;
}

class Folder {
 public:
  Folder() : path_(fs::temp_directory_path() / ("station-room-" + std::to_string(getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_ / "exam");
  }
  ~Folder() { fs::remove_all(path_); }
  void Put(const std::string& name, const std::string& text) {
    std::ofstream(path_ / "exam" / PathOf(name), std::ios::binary) << text;
  }
  fs::path exam() const { return path_ / "exam"; }

 private:
  fs::path path_;
};

const std::vector<std::string>* RowOf(const std::vector<std::vector<std::string>>& rows,
                                      const std::string& name) {
  for (const auto& row : rows)
    if (row[0] == name) return &row;
  return nullptr;
}

TEST(StationRoom, ARoomIsJudgedWholeAndEveryProblemHasItsRow) {
  Folder folder;
  std::string list =
      "\xEF\xBB\xBF"
      "Candidate;Exercise\r\n";
  for (int i = 1; i <= 26; ++i) {
    const auto exercise = static_cast<std::int16_t>(i % 10 + 1);
    folder.Put("candidate-" + std::to_string(i) + ".jsonl",
               CandidateSession(exercise, i == 25 ? 4 : -1));
    // Candidate 26 played another exercise than the list gives.
    list +=
        "candidate-" + std::to_string(i) + ";" + std::to_string(i == 26 ? 5 : exercise) + "\r\n";
  }
  folder.Put("王小明.jsonl", CandidateSession(2));
  folder.Put("=SUM(1,2) \"x\".jsonl", CandidateSession(8));
  folder.Put("candidate-27.jsonl", CandidateSession(4).substr(0, 900));  // cut inside a line
  folder.Put("visitor.jsonl", CandidateSession(6));
  folder.Put("notes.txt", "candidate-3 was late\n");
  list += "王小明;2\r\n\"=SUM(1,2) \"\"x\"\"\";8\r\ncandidate-27;4\r\ncandidate-28;9\r\n";
  const ClassList classes = ReadClassList(list);
  ASSERT_EQ(classes.error, "");

  // A session named on its own as well as in its folder is judged once.
  Room room =
      PlanRoom(FindSessions({folder.exam(), folder.exam() / "candidate-1.jsonl"}, {}), 0, &classes);
  JudgeRoom(room, {}, 4, nullptr);
  Room alone = PlanRoom(FindSessions({folder.exam()}, {}), 0, &classes);
  JudgeRoom(alone, {}, 1, nullptr);
  const std::string table = RoomTable(room);
  EXPECT_EQ(table, RoomTable(alone)) << "judged on four threads and on one";
  EXPECT_EQ(RoomStatus(room), 2);

  std::istringstream lines(table);
  std::vector<std::string> printed;
  for (std::string line; std::getline(lines, line);) printed.push_back(line);
  ASSERT_EQ(printed.size(), 1 + 31 + 1u) << table;
  EXPECT_EQ(
      printed.back(),
      "31 in all: 26 PASS, 2 FAIL, 3 could not be judged (1 missing, 1 not in the class list)");
  EXPECT_EQ(printed[1].rfind("=SUM(1,2) \"x\".jsonl", 0), 0u) << table;
  EXPECT_EQ(printed[3].rfind("candidate-2.jsonl ", 0), 0u) << "not in order:\n" << table;
  const auto line_of = [&](const std::string& name) {
    for (const std::string& line : printed)
      if (line.rfind(name + " ", 0) == 0) return line;
    return "no line for " + name + " in\n" + table;
  };
  EXPECT_NE(line_of("candidate-25.jsonl").find(" FAIL "), std::string::npos)
      << line_of("candidate-25.jsonl");
  EXPECT_NE(line_of("candidate-25.jsonl").find("  rule 4 at 4.300 s"), std::string::npos);
  EXPECT_NE(line_of("candidate-26.jsonl").find("  rule 4 at "), std::string::npos);
  EXPECT_NE(line_of("candidate-27.jsonl").find("could not be judged  line "), std::string::npos)
      << line_of("candidate-27.jsonl");
  EXPECT_NE(line_of("candidate-28").find("missing"), std::string::npos) << table;
  EXPECT_NE(line_of("visitor.jsonl").find("not in the class list"), std::string::npos);
  // Each of the name's three characters takes two columns and three bytes.
  EXPECT_EQ(line_of("王小明.jsonl").find("PASS"), printed[0].find("verdict") + 3) << table;
  EXPECT_EQ(table.find("notes.txt"), std::string::npos) << "a file that is no session";

  std::ostringstream csv;
  WriteRoomCsv(room, csv);
  ASSERT_EQ(csv.str().rfind("\xEF\xBB\xBFsession,", 0), 0u) << "no byte-order mark";
  const auto rows = ReadCsv(csv.str().substr(3));
  ASSERT_EQ(rows.size(), 1 + 31u);
  for (const auto& row : rows) EXPECT_EQ(row.size(), rows[0].size()) << row[0];
  const auto* failed = RowOf(rows, "candidate-25.jsonl");
  ASSERT_NE(failed, nullptr) << csv.str();
  const std::vector<std::string> fail_fields(failed->begin() + 3, failed->end() - 1);
  EXPECT_EQ(fail_fields, (std::vector<std::string>{"FAIL", "held", "held", "held", "broken", "held",
                                                   "held", "4.300", "4"}));
  EXPECT_NE(RowOf(rows, "'=SUM(1,2) \"x\".jsonl"), nullptr) << "a name taken for a formula";
  ASSERT_NE(RowOf(rows, "王小明.jsonl"), nullptr);
  EXPECT_EQ(RowOf(rows, "王小明.jsonl")->at(3), "PASS");
  EXPECT_EQ(RowOf(rows, "candidate-27.jsonl")->at(3), "could not be judged");
  EXPECT_NE(RowOf(rows, "candidate-27.jsonl")->back(), "") << "an unreadable row says why";
}

TEST(StationRoom, ClassListsAreReadAsSpreadsheetsSaveThem) {
  const ClassList commas =
      ReadClassList("name,exercise,seat\n\"Chen, Mei\",3,A4\n\n林志明 , 10 ,\n");
  ASSERT_EQ(commas.error, "");
  ASSERT_EQ(commas.entries.size(), 2u);
  EXPECT_EQ(commas.entries[0].name, "Chen, Mei");
  EXPECT_EQ(commas.entries[1].name, "林志明");
  EXPECT_EQ(commas.entries[1].exercise, 10);
  // A list saved without its header loses no candidate.
  EXPECT_EQ(ReadClassList("a;1\r\nb;2\r\n").entries.size(), 2u);
  EXPECT_EQ(ReadClassList("name;exercise\r\na;1\r\nb;11\r\n").error,
            "line 3: the exercise of b is not a number from 1 to 10");
  EXPECT_EQ(ReadClassList("name,exercise\nA.jsonl,1\na.JSONL,2\n").error,
            "line 3: a.JSONL is listed twice (line 2)");
  EXPECT_NE(ReadClassList("name,exercise\n").error, "");
}

}  // namespace
}  // namespace station_check
