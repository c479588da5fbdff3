// virtual-board's command line: the input's NUL-separated pieces are its arguments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments{"virtual-board"};
  std::string piece;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      arguments.push_back(piece);
      piece.clear();
    } else {
      piece.push_back(static_cast<char>(data[i]));
    }
  }
  if (!piece.empty()) arguments.push_back(piece);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);

  virtual_board::Options options;
  if (virtual_board::ParseOptions(static_cast<int>(arguments.size()), argv.data(), &options)) {
    FuzzCheck(options.identity.feature_bytes >= 1 && options.identity.feature_bytes <= 1024,
              "a feature report size uhid cannot carry");
  }
  return 0;
}
