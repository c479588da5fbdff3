#include "messages.h"

#include <optional>

#include "catalogue.h"
#include "system.h"

namespace messages {
namespace {

struct Chosen {
  Language language = SystemLanguage();
  std::optional<Catalogue> catalogue =
      language == Language::kEnglish ? std::nullopt : Catalogue::Parse(CatalogueBytes(language));
};

// Decided once; threads that judge a room's sessions share it.
const Chosen& TheChosen() {
  static const Chosen chosen;
  return chosen;
}

}  // namespace

Language Chosen() {
  return TheChosen().catalogue ? TheChosen().language : Language::kEnglish;
}

const char* Tr(const char* english) {
  const auto& catalogue = TheChosen().catalogue;
  const char* translated = catalogue ? catalogue->Find(english) : nullptr;
  return translated != nullptr ? translated : english;
}

std::string Fill(std::string_view format, std::initializer_list<std::string> arguments) {
  std::string filled;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const std::size_t number = i + 2 < format.size() && format[i] == '{' && format[i + 2] == '}'
                                   ? static_cast<std::size_t>(format[i + 1] - '0')
                                   : 0;
    if (number >= 1 && number <= arguments.size()) {
      filled += arguments.begin()[number - 1];
      i += 2;
    } else {
      filled += format[i];
    }
  }
  return filled;
}

}  // namespace messages
