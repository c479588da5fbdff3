#include "error_text.h"

#include <cerrno>

#include "messages.h"

namespace station_check {

std::string ErrorText(const std::error_code& error) {
  static constexpr struct {
    std::errc error;
    const char* text;
  } kKnown[] = {
      {std::errc::no_such_file_or_directory, messages::N_("No such file or directory")},
      {std::errc::permission_denied, messages::N_("Permission denied")},
      {std::errc::is_a_directory, messages::N_("Is a directory")},
      {std::errc::not_a_directory, messages::N_("Not a directory")},
      {std::errc::no_space_on_device, messages::N_("No space left on device")},
      {std::errc::read_only_file_system, messages::N_("Read-only file system")},
      {std::errc::filename_too_long, messages::N_("File name too long")},
      {std::errc::io_error, messages::N_("Input/output error")},
  };
  if (messages::Chosen() != messages::Language::kEnglish) {
    const std::error_condition condition = error.default_error_condition();
    for (const auto& [known, text] : kKnown)
      if (condition == known) return messages::Tr(text);
  }
  return error.message();
}

std::string ErrorText(int number) {
  return ErrorText(std::error_code(number, std::generic_category()));
}

}  // namespace station_check
