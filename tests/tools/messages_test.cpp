#include "messages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "catalogue.h"
#include "language.h"

namespace {

using messages::Language;

Language FromVariables(const std::map<std::string, std::string>& set) {
  return messages::FromEnvironment([&set](const char* name) -> const char* {
    const auto found = set.find(name);
    return found == set.end() ? nullptr : found->second.c_str();
  });
}

TEST(Messages, LanguageIsReadAsGettextReadsIt) {
  constexpr auto kChinese = Language::kTraditionalChinese, kEnglish = Language::kEnglish;
  const struct {
    std::map<std::string, std::string> variables;
    Language expected;
  } cases[] = {
      {{}, kEnglish},
      {{{"LANG", "zh_TW.UTF-8"}}, kChinese},
      {{{"LANG", "zh_HK.Big5-HKSCS"}}, kChinese},
      {{{"LANG", "zh_CN.UTF-8"}}, kEnglish},
      {{{"LANG", "C"}}, kEnglish},
      {{{"LC_ALL", "C.UTF-8"}, {"LANG", "zh_TW.UTF-8"}}, kEnglish},
      {{{"LC_MESSAGES", "zh_TW.UTF-8"}, {"LANG", "en_US.UTF-8"}}, kChinese},
      // LANGUAGE's list is read in order and passes over languages without a catalogue, but a
      // C locale keeps every program in English.
      {{{"LANGUAGE", "fr:zh_TW:en"}, {"LANG", "fr_FR.UTF-8"}}, kChinese},
      {{{"LANGUAGE", "en_GB:zh_TW"}, {"LANG", "zh_TW.UTF-8"}}, kEnglish},
      {{{"LANGUAGE", "zh_TW"}, {"LANG", "C"}}, kEnglish},
      {{{"LANGUAGE", "zh-Hant"}, {"LANG", "de_DE.UTF-8"}}, kChinese},
      {{{"STATION_LANGUAGE", "en"}, {"LANG", "zh_TW.UTF-8"}}, kEnglish},
      {{{"STATION_LANGUAGE", "zh_TW"}, {"LC_ALL", "C"}}, kChinese},
      {{{"STATION_LANGUAGE", "klingon"}, {"LANG", "zh_TW.UTF-8"}}, kEnglish},
  };
  for (const auto& one : cases) {
    std::string seen;
    for (const auto& [name, value] : one.variables) seen += name + "=" + value + " ";
    EXPECT_EQ(FromVariables(one.variables), one.expected) << seen;
  }
}

TEST(Messages, WindowsDisplayLanguagesOfTraditionalChineseAreChinese) {
  for (const unsigned short id : {0x0404, 0x0c04, 0x1404, 0x7c04})
    EXPECT_EQ(messages::FromWindowsLanguage(id), Language::kTraditionalChinese) << id;
  for (const unsigned short id : {0x0804, 0x1004, 0x0409, 0x0411})
    EXPECT_EQ(messages::FromWindowsLanguage(id), Language::kEnglish) << id;
}

TEST(Messages, FormatsTakeTheirArgumentsInAnyOrder) {
  EXPECT_EQ(messages::Fill("{2} after {1}", {"tick 3", "the close box"}),
            "the close box after tick 3");
  // Braces that are not a given argument's place stay as they are.
  EXPECT_EQ(messages::Fill("{\"ms\": {1}} {3} {x}", {"40"}), "{\"ms\": 40} {3} {x}");
  EXPECT_EQ(messages::Tr("tick {1} of {2}", 7, std::string("10")), "tick 7 of 10");
}

std::string Compiled() {
  std::ifstream file(ORLANEK_CATALOGUE, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// The placeholders of a text, in the order of their numbers.
std::multiset<std::string> Placeholders(std::string_view text) {
  static const std::regex placeholder(R"(\{[0-9]\})");
  std::multiset<std::string> found;
  const std::string copy(text);
  for (auto it = std::sregex_iterator(copy.begin(), copy.end(), placeholder);
       it != std::sregex_iterator(); ++it)
    found.insert(it->str());
  return found;
}

TEST(Messages, EveryTranslationTakesItsTextsArguments) {
  const auto catalogue = messages::Catalogue::Parse(Compiled());
  ASSERT_TRUE(catalogue) << ORLANEK_CATALOGUE << " is not a compiled catalogue";
  for (const auto& [english, translated] : catalogue->Entries())
    EXPECT_EQ(Placeholders(english), Placeholders(translated)) << english << "\n" << translated;
}

TEST(Messages, DamagedCataloguesAreRefusedWhole) {
  const std::string whole = Compiled();
  ASSERT_TRUE(messages::Catalogue::Parse(whole));
  // Every cut, and a string's length pointing past the end, is refused without reading past it.
  for (std::size_t size = 0; size < whole.size(); size += 7)
    EXPECT_FALSE(messages::Catalogue::Parse(whole.substr(0, size))) << size;
  // The first English text's length, where the header (little-endian, as msgfmt writes it here)
  // says the table of English texts starts.
  std::string wrong_length = whole;
  const auto table = static_cast<unsigned char>(whole[12]) | static_cast<unsigned char>(whole[13])
                                                                 << 8;
  wrong_length[table + 3] = '\x7f';
  EXPECT_FALSE(messages::Catalogue::Parse(wrong_length));
}

}  // namespace
