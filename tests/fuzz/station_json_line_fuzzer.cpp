// station-check reads the lines virtual-board --json wrote, or any file a teacher hands it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "readers.h"

using station_check::LineResult;
using station_check::Record;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const LineResult read = station_check::ReadJsonLine(line);
  const Record& record = read.record;
  FuzzCheck(read.error.empty() || record.kind == Record::Kind::kNothing,
            "a line read both as a record and as an error");
  if (record.kind == Record::Kind::kNothing) {
    FuzzCheck(record.report.empty(), "bytes read from a line that is no report");
    return 0;
  }
  FuzzCheck(record.us >= 0 && record.us % 1000 == 0, "a time not of whole milliseconds");
  if (record.kind != Record::Kind::kReport) return 0;
  // The record written back as the board writes it reads as the same record.
  std::string again = "{\"ms\":" + std::to_string(record.us / 1000) + ",\"report\":[";
  for (std::size_t i = 0; i < record.report.size(); ++i)
    again += (i ? "," : "") + std::to_string(record.report[i]);
  again += "]}";
  const LineResult reread = station_check::ReadJsonLine(again);
  FuzzCheck(reread.error.empty() && reread.record.kind == Record::Kind::kReport &&
                reread.record.us == record.us && reread.record.report == record.report,
            "a report written back reads as another");
  return 0;
}
