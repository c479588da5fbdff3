#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace messages {

// A catalogue compiled by msgfmt (a .mo file): each English text with its translation. Texts
// with a context or plural forms, and the header, are not used by these programs and are left out.
class Catalogue {
 public:
  // The catalogue in bytes, or nothing where they are not a whole .mo file of either byte order.
  static std::optional<Catalogue> Parse(std::string bytes);

  Catalogue(const Catalogue&) = delete;
  Catalogue(Catalogue&&) = default;

  // The translation of english, NUL-terminated, or nullptr.
  const char* Find(std::string_view english) const;

  const std::unordered_map<std::string_view, std::string_view>& Entries() const { return entries_; }

 private:
  Catalogue() = default;
  std::string bytes_;
  std::unordered_map<std::string_view, std::string_view> entries_;
};

}  // namespace messages
