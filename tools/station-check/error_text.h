#pragma once

#include <string>
#include <system_error>

namespace station_check {

// What the system said went wrong, for a person: in English the system's own words; in another
// language the catalogue's for the errors a file or folder commonly meets, since the C library's
// messages follow a locale that the program does not set.
std::string ErrorText(const std::error_code& error);
// The same for an errno value.
std::string ErrorText(int number);

}  // namespace station_check
