#include <windows.h>

#include <cstdlib>

#include "language.h"
#include "system.h"

// The catalogue built into the program, so that a program copied alone still speaks Chinese.
extern const unsigned char kTraditionalChineseCatalogue[];
extern const unsigned long kTraditionalChineseCatalogueSize;

namespace messages {

Language SystemLanguage() {
  if (const auto forced = Forced(std::getenv("STATION_LANGUAGE"))) return *forced;
  return FromWindowsLanguage(GetUserDefaultUILanguage());
}

std::string CatalogueBytes(Language language) {
  if (language != Language::kTraditionalChinese) return {};
  return std::string(reinterpret_cast<const char*>(kTraditionalChineseCatalogue),
                     kTraditionalChineseCatalogueSize);
}

}  // namespace messages
