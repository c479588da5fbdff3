#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "language.h"
#include "system.h"

namespace messages {

Language SystemLanguage() {
  return FromEnvironment([](const char* name) { return std::getenv(name); });
}

// Where gettext looks for a program installed in /usr/bin: /usr/share/locale. The build tree
// keeps the same layout beside its bin/.
std::string CatalogueBytes(Language language) {
  if (language != Language::kTraditionalChinese) return {};
  char program[4096];
  const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
  if (length <= 0) return {};
  std::string folder(program, static_cast<std::size_t>(length));
  folder.erase(folder.find_last_of('/') + 1);
  std::ifstream file(folder + "../share/locale/zh_TW/LC_MESSAGES/orlanek-tools.mo",
                     std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace messages
