#include "catalogue.h"

#include <cstdint>

namespace messages {
namespace {

constexpr std::uint32_t kMagic = 0x950412de;

// Reads the 32-bit words of a .mo file in the byte order its magic number shows.
class Words {
 public:
  explicit Words(std::string_view bytes) : bytes_(bytes) {}

  bool Start() {
    if (bytes_.size() < 20) return false;
    if (Read(0, &magic_) && magic_ == kMagic) return true;
    swapped_ = true;
    return Read(0, &magic_) && magic_ == kMagic;
  }

  bool Read(std::size_t at, std::uint32_t* word) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) return false;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const auto byte = static_cast<unsigned char>(bytes_[at + (swapped_ ? i : 3 - i)]);
      value = value << 8 | byte;
    }
    *word = value;
    return true;
  }

  // The string a table's entry at names, which msgfmt ends with a NUL.
  bool Text(std::size_t table, std::uint32_t index, std::string_view* text) const {
    std::uint32_t length = 0, offset = 0;
    const std::size_t at = table + std::size_t{index} * 8;
    if (!Read(at, &length) || !Read(at + 4, &offset) || offset >= bytes_.size() ||
        bytes_.size() - offset <= length || bytes_[offset + length] != '\0')
      return false;
    *text = bytes_.substr(offset, length);
    return true;
  }

 private:
  std::string_view bytes_;
  bool swapped_ = false;
  std::uint32_t magic_ = 0;
};

}  // namespace

std::optional<Catalogue> Catalogue::Parse(std::string bytes) {
  Catalogue catalogue;
  catalogue.bytes_ = std::move(bytes);
  const std::string_view all = catalogue.bytes_;
  Words words(all);
  std::uint32_t count = 0, originals = 0, translations = 0;
  if (!words.Start() || !words.Read(8, &count) || !words.Read(12, &originals) ||
      !words.Read(16, &translations))
    return std::nullopt;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string_view english, translated;
    if (!words.Text(originals, i, &english) || !words.Text(translations, i, &translated))
      return std::nullopt;
    // The header has no English text; a context or a plural joins two texts with a control byte.
    if (english.empty() || english.find_first_of(std::string_view("\0\x04", 2)) != english.npos)
      continue;
    catalogue.entries_.emplace(english, translated);
  }
  return catalogue;
}

const char* Catalogue::Find(std::string_view english) const {
  const auto found = entries_.find(english);
  return found == entries_.end() ? nullptr : found->second.data();
}

}  // namespace messages
