// station-check --usbmon reads the kernel's usbmon text as a teacher captured it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "readers.h"

using station_check::LineResult;
using station_check::Record;

namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  constexpr std::string_view kBlanks = " \t\r";
  for (std::size_t pos = line.find_first_not_of(kBlanks); pos != std::string_view::npos;) {
    const std::size_t end = std::min(line.find_first_of(kBlanks, pos), line.size());
    words.push_back(line.substr(pos, end - pos));
    pos = line.find_first_not_of(kBlanks, end);
  }
  return words;
}

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
  std::string text;
  char pair[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
    text += pair;
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const LineResult read = station_check::ReadUsbmonLine(line);
  const Record& record = read.record;
  FuzzCheck(read.error.empty() || record.kind == Record::Kind::kNothing,
            "a line read both as a record and as an error");
  if (record.kind == Record::Kind::kNothing) return 0;
  const std::vector<std::string_view> words = Words(line);
  if (record.kind == Record::Kind::kRefused) {
    FuzzCheck(
        (words[2] == "C" || words[2] == "E") && words[3].substr(0, 3) == "Co:" && words[4] != "0",
        "a refusal from a line that is no failed control OUT completion");
    return 0;
  }
  FuzzCheck(record.kind == Record::Kind::kReport, "a usbmon line read as a plug event");

  // The report holds the bytes the line says: the report ID of the setup's wValue first, then
  // the data words (which begin with that ID unless it is 0).
  FuzzCheck(!record.report.empty(), "a report without its report ID");
  std::string report_id(words[7].substr(2)), said;
  for (std::size_t i = 12; i < words.size(); ++i) said += words[i];
  for (std::string* text : {&report_id, &said}) {
    for (char& c : *text) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
  }
  FuzzCheck(Hex(record.report.data(), 1) == report_id,
            "a report ID other than the one the setup names");
  const std::size_t skip = report_id == "00" ? 1 : 0;
  FuzzCheck(Hex(record.report.data() + skip, record.report.size() - skip) == said,
            "report bytes other than the data on the line");
  return 0;
}
