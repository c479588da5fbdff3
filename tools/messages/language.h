#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "messages.h"

namespace messages {

// The language a locale or language name (zh_TW.UTF-8, zh-HK, en_GB, zh_Hant) stands for, or
// nothing where there is no catalogue for it.
std::optional<Language> FromName(std::string_view name);

// The language STATION_LANGUAGE forces (English for a name without a catalogue), or nothing
// where value is not set or empty.
std::optional<Language> Forced(const char* value);

// The language from the environment as a Linux program reads it: STATION_LANGUAGE first; then,
// as gettext does, LANGUAGE's list unless the locale (LC_ALL, LC_MESSAGES, LANG) is C; then the
// locale. variable gives a variable's value, or nullptr where it is not set.
Language FromEnvironment(const std::function<const char*(const char*)>& variable);

// The language of a Windows display language id (GetUserDefaultUILanguage): Chinese (Taiwan),
// (Hong Kong), (Macao) and Traditional Chinese are Traditional Chinese.
Language FromWindowsLanguage(unsigned short id);

}  // namespace messages
