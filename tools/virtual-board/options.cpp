#include "options.h"

#include <cstdlib>
#include <string>

namespace virtual_board {
namespace {

// A whole argument as a number of the given base from low to high.
template <typename Number>
bool ParseNumber(const char* text, int base, unsigned long low, unsigned long high, Number* value) {
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text, &end, base);
  if (*text == '\0' || *end != '\0' || parsed < low || parsed > high) return false;
  *value = static_cast<Number>(parsed);
  return true;
}

bool IsPicture(const std::string& name) {
  const auto ends = [&](const std::string& end) {
    return name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
  };
  return ends(".svg") || ends(".png");
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (option == "--json") {
      options->json = true;
    } else if (option == "--usb") {
      options->usb = true;
    } else if (option == "--socket") {
      options->socket = true;
    } else if (option == "--coach") {
      options->coach = true;
    } else if (option == "--exercise" && value &&
               ParseNumber(value, 10, 1, 10, &options->exercise)) {
      options->coach = true;
      ++i;
    } else if (option == "--picture" && value && IsPicture(value)) {
      options->coach = true;
      options->picture = value;
      ++i;
    } else if (option == "--vendor" && value &&
               ParseNumber(value, 16, 0, 0xFFFF, &options->identity.vendor)) {
      ++i;
    } else if (option == "--product" && value &&
               ParseNumber(value, 16, 0, 0xFFFF, &options->identity.product)) {
      ++i;
    } else if (option == "--feature-bytes" && value &&
               // room for the report and its ID byte in one uhid event
               ParseNumber(value, 10, 1, 1024, &options->identity.feature_bytes)) {
      ++i;
    } else {
      return false;
    }
  }
  return !(options->usb && options->socket);
}

}  // namespace virtual_board
