// The scan reads ids out of device path texts, which come from the system.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/id_text.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path_text(reinterpret_cast<const char*>(data), size);
  for (const char* marker : {"vid_", "pid_"}) {
    const std::string field = varnel::IdField(path_text, marker);
    FuzzCheck(field.size() <= 4, "an id field longer than four characters");
    FuzzCheck(path_text.find(marker) != std::string_view::npos || field == "0000",
              "a missing marker does not read as 0000");
    varnel::HexValue(field);
  }
  varnel::HexValue(path_text);
  return 0;
}
