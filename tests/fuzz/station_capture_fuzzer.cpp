// station-check reads whole capture files (pcap, pcapng, gzip-compressed or not, of one interface
// or several; USBPcap and Linux usbmon) as teachers save them, then judges the session they hold.
// The input is the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "capture.h"
#include "fuzz_check.h"
#include "judge.h"

namespace {

// The judge, with the order of what the reader hands it checked on the way.
class InOrder : public station_check::Judge {
 public:
  InOrder() : Judge({}) {}
  void Report(std::int64_t us, std::span<const std::uint8_t> bytes, std::size_t number) override {
    Check(us);
    Judge::Report(us, bytes, number);
  }
  void Plug(std::int64_t us, bool plugged) override {
    Check(us);
    Judge::Plug(us, plugged);
  }

 private:
  void Check(std::int64_t us) {
    FuzzCheck(us >= last_, "a report or plug change before the one before it");
    last_ = us;
  }
  std::int64_t last_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // A file of the system, as the reader's stream needs (fmemopen's has no descriptor).
  const int descriptor = memfd_create("capture", 0);
  FuzzCheck(descriptor >= 0, "no memory file");
  FuzzCheck(write(descriptor, data, size) == static_cast<ssize_t>(size), "the memory file short");
  lseek(descriptor, 0, SEEK_SET);
  std::FILE* file = fdopen(descriptor, "rb");
  FuzzCheck(file != nullptr, "no stream on the memory file");
  InOrder judge;
  const station_check::SessionResult read = station_check::ReadInput(file, false, 0, judge);
  if (!read.error.empty()) return 0;
  FuzzCheck(read.notes.size() <= 2, "more than the refused transfers and where a capture ends");
  const station_check::Verdict verdict = judge.Finish();
  FuzzCheck(verdict.rules.size() == 6, "not six rules judged");
  return 0;
}
