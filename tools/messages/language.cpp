#include "language.h"

#include <cctype>
#include <string>

namespace messages {
namespace {

std::string Lower(std::string_view text) {
  std::string lower;
  for (const char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string_view Set(const char* value) {
  return value == nullptr ? std::string_view() : std::string_view(value);
}

}  // namespace

std::optional<Language> FromName(std::string_view name) {
  // The codeset (.UTF-8) and modifier (@...) do not change the language.
  std::string lower = Lower(name.substr(0, name.find_first_of(".@")));
  for (char& c : lower)
    if (c == '-') c = '_';
  if (lower == "zh_tw" || lower == "zh_hk" || lower == "zh_mo" || lower.starts_with("zh_hant"))
    return Language::kTraditionalChinese;
  if (lower == "en" || lower.starts_with("en_")) return Language::kEnglish;
  return std::nullopt;
}

std::optional<Language> Forced(const char* value) {
  if (value == nullptr || *value == '\0') return std::nullopt;
  return FromName(value).value_or(Language::kEnglish);
}

Language FromEnvironment(const std::function<const char*(const char*)>& variable) {
  if (const auto forced = Forced(variable("STATION_LANGUAGE"))) return *forced;
  std::string_view locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = Set(variable(name));
    if (!locale.empty()) break;
  }
  if (locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C."))
    return Language::kEnglish;
  std::string_view list = Set(variable("LANGUAGE"));
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    if (const auto language = FromName(list.substr(0, colon))) return *language;
    list = colon == list.npos ? std::string_view() : list.substr(colon + 1);
  }
  return FromName(locale).value_or(Language::kEnglish);
}

Language FromWindowsLanguage(unsigned short id) {
  constexpr unsigned short kChinese = 0x04, kTraditional = 0x7c04;
  const unsigned short primary = id & 0x3ff, sub = id >> 10;
  // Sublanguages 1, 3 and 5: Taiwan, Hong Kong and Macao.
  if (id == kTraditional || (primary == kChinese && (sub == 1 || sub == 3 || sub == 5)))
    return Language::kTraditionalChinese;
  return Language::kEnglish;
}

}  // namespace messages
