// station-check reads the class list a teacher saved from a spreadsheet.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "room.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const station_check::ClassList list = station_check::ReadClassList(text);
  FuzzCheck(list.error.empty() != list.entries.empty(),
            "a list read both as names and as an error");
  // The names written back, each quoted, read as the same list.
  std::string again = "name,exercise\r\n";
  std::size_t line = 0;
  for (const station_check::ClassEntry& entry : list.entries) {
    FuzzCheck(!entry.name.empty() && entry.exercise >= 1 && entry.exercise <= 10,
              "a candidate without a name or an exercise");
    FuzzCheck(entry.line > line, "candidates out of the order of their lines");
    line = entry.line;
    again += '"';
    for (const char c : entry.name) again += c == '"' ? std::string("\"\"") : std::string(1, c);
    again += "\"," + std::to_string(entry.exercise) + "\r\n";
  }
  if (list.entries.empty()) return 0;
  const station_check::ClassList reread = station_check::ReadClassList(again);
  FuzzCheck(reread.entries.size() == list.entries.size(), "a list written back reads as another");
  for (std::size_t i = 0; i < list.entries.size(); ++i)
    FuzzCheck(reread.entries[i].name == list.entries[i].name &&
                  reread.entries[i].exercise == list.entries[i].exercise,
              "a candidate written back reads as another");
  return 0;
}
