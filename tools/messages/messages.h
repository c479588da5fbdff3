#pragma once

#include <concepts>
#include <initializer_list>
#include <string>
#include <string_view>

// The texts that station-check, virtual-board and varnelctl show a person, in the user's
// language. The English text written in the code is the catalogue's key (po/zh_TW.po); what
// other programs read (exit status, JSON lines, figures, CSV column names) never comes from here.
namespace messages {

enum class Language { kEnglish, kTraditionalChinese };

// The language of this run, decided at the first text: STATION_LANGUAGE where it is set, else
// the user's (on Linux LANGUAGE, LC_ALL, LC_MESSAGES and LANG as gettext reads them, on Windows
// the display language); English where there is no catalogue for it.
Language Chosen();

// english in the chosen language, or english itself where the catalogue lacks it. The text
// lives as long as the program.
const char* Tr(const char* english);

// Marks a text in a table for the catalogue; it is translated with Tr where it is shown.
constexpr const char* N_(const char* english) {
  return english;
}

// format with {1}, {2}... replaced by the arguments, in whatever order a translation puts them.
std::string Fill(std::string_view format, std::initializer_list<std::string> arguments);

inline std::string Argument(std::string_view text) {
  return std::string(text);
}
template <std::integral Number>
std::string Argument(Number number) {
  return std::to_string(number);
}

// The translated format english with {1}, {2}... filled.
template <typename... Arguments>
std::string Tr(const char* english, const Arguments&... arguments) {
  return Fill(Tr(english), {Argument(arguments)...});
}

}  // namespace messages
