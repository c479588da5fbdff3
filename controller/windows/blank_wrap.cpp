#include "windows/blank_wrap.h"

namespace orlanek::windows {

std::vector<std::u16string> WrapAtBlanks(const std::u16string& text,
                                         const std::function<int(const std::u16string&)>& width_of,
                                         int width) {
  std::vector<std::u16string> lines;
  std::u16string line;
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') line += text[i++];
  while (i < text.size()) {
    std::size_t blanks_end = i;
    while (blanks_end < text.size() && text[blanks_end] == u' ') ++blanks_end;
    std::size_t word_end = blanks_end;
    while (word_end < text.size() && text[word_end] != u' ') ++word_end;
    const std::u16string blanks = text.substr(i, blanks_end - i);
    const std::u16string word = text.substr(blanks_end, word_end - blanks_end);
    i = word_end;
    if (line.empty()) {
      line = word;
    } else if (width_of(line + blanks + word) <= width) {
      line += blanks + word;
    } else {
      lines.push_back(line);
      line = word;
    }
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

}  // namespace orlanek::windows
