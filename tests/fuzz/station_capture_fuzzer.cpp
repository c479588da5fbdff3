// station-check reads whole capture files (pcap, pcapng; USBPcap and Linux usbmon) as teachers
// save them, through libpcap, then judges the session they hold. The input is the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "capture.h"
#include "fuzz_check.h"
#include "judge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  const station_check::SessionResult read = station_check::ReadInput(file, false, 0);
  if (!read.error.empty()) return 0;
  FuzzCheck(read.notes.size() <= 2, "more than the refused transfers and where a capture ends");
  std::int64_t last = 0;
  for (const station_check::Report& report : read.session.reports) {
    FuzzCheck(report.us >= last, "a report before the one before it");
    last = report.us;
  }
  const station_check::Verdict verdict = station_check::Judge(read.session, 0);
  FuzzCheck(verdict.rules.size() == 6, "not six rules judged");
  return 0;
}
