#pragma once

#include <string>

#include "messages.h"

// What the messages need of the system they run on.
namespace messages {

// The user's language as this system tells it.
Language SystemLanguage();

// The compiled catalogue of language, or nothing where it cannot be found.
std::string CatalogueBytes(Language language);

}  // namespace messages
