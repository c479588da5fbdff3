#include "readers.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include "messages.h"

namespace station_check {
namespace {

using messages::Tr;

// Nesting this deep is no session line; the bound keeps the reader's stack small.
constexpr int kMaxDepth = 16;
constexpr std::int64_t kMaxMs = std::int64_t{1} << 40;
// usbmon's stamps run over every 4096 seconds.
constexpr std::int64_t kUsbmonWrap = std::int64_t{4096} * 1'000'000;

class JsonCursor {
 public:
  explicit JsonCursor(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n'))
      ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }
  bool Take(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  char Peek() {
    SkipBlanks();
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }

  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string value;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return value;
      if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
      if (c != '\\') {
        value += c;
        continue;
      }
      if (pos_ >= text_.size()) return std::nullopt;
      const char escaped = text_[pos_++];
      if (escaped == 'u') {
        for (int i = 0; i < 4; ++i, ++pos_) {
          if (pos_ >= text_.size() || !IsHex(text_[pos_])) return std::nullopt;
        }
        value += '?';
      } else if (std::string_view("\"\\/bfnrt").find(escaped) != std::string_view::npos) {
        value += escaped;
      } else {
        return std::nullopt;
      }
    }
    return std::nullopt;
  }

  // A whole non-negative number up to limit.
  std::optional<std::int64_t> Whole(std::int64_t limit) {
    SkipBlanks();
    const std::size_t start = pos_;
    std::int64_t value = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = value * 10 + (text_[pos_++] - '0');
      if (value > limit) return std::nullopt;
    }
    if (pos_ == start || (pos_ < text_.size() &&
                          std::string_view(".eE").find(text_[pos_]) != std::string_view::npos))
      return std::nullopt;
    return value;
  }

  // A list of at most most bytes: [0, 3, 0, ...].
  std::optional<std::vector<std::uint8_t>> Bytes(std::size_t most) {
    std::vector<std::uint8_t> bytes;
    if (!Take('[')) return std::nullopt;
    if (Take(']')) return bytes;
    do {
      const std::optional<std::int64_t> byte = Whole(255);
      if (!byte || bytes.size() >= most) return std::nullopt;
      bytes.push_back(static_cast<std::uint8_t>(*byte));
    } while (Take(','));
    if (!Take(']')) return std::nullopt;
    return bytes;
  }

  // Any JSON value, unread.
  bool SkipValue(int depth) {
    if (depth > kMaxDepth) return false;
    const char c = Peek();
    if (c == '"') return String().has_value();
    if (c == '{' || c == '[') {
      const char close = c == '{' ? '}' : ']';
      ++pos_;
      if (Take(close)) return true;
      do {
        if (c == '{' && !(String() && Take(':'))) return false;
        if (!SkipValue(depth + 1)) return false;
      } while (Take(','));
      return Take(close);
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() &&
           std::string_view("+-.0123456789eEtruefalsn").find(text_[pos_]) != std::string_view::npos)
      ++pos_;
    const std::string_view word = text_.substr(start, pos_ - start);
    if (word == "true" || word == "false" || word == "null") return true;
    return !word.empty() && ((word[0] >= '0' && word[0] <= '9') || word[0] == '-') &&
           word.find_first_of("truefalsn") == std::string_view::npos;
  }

  static bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

LineResult Error(std::string text) {
  return {{}, std::move(text)};
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r')) ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '\r') ++pos;
    if (pos > start) words.push_back(line.substr(start, pos - start));
  }
  return words;
}

// A whole number of the given base; fails on anything else or above limit.
std::optional<std::uint64_t> Number(std::string_view word, int base, std::uint64_t limit) {
  if (word.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : word) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    const auto next = static_cast<std::uint64_t>(digit);
    if (value > (limit - next) / static_cast<std::uint64_t>(base)) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + next;
  }
  return value;
}

}  // namespace

LineResult ReadJsonLine(std::string_view line) {
  JsonCursor json(line);
  if (json.AtEnd()) return {};
  if (!json.Take('{')) return Error(Tr("not a JSON object"));
  std::optional<std::int64_t> ms;
  std::optional<std::vector<std::uint8_t>> report;
  std::optional<std::string> event;
  bool refused = false;  // the library's log: a report the system did not take
  if (!json.Take('}')) {
    do {
      const std::optional<std::string> key = json.String();
      if (!key || !json.Take(':')) return Error(Tr("not a JSON object"));
      if (*key == "ms") {
        ms = json.Whole(kMaxMs);
        if (!ms) return Error(Tr("\"ms\" is not a whole number of milliseconds"));
      } else if (*key == "report" || *key == "failed") {
        refused = *key == "failed";
        report = json.Bytes(4096);
        if (!report) return Error(Tr("\"{1}\" is not a list of bytes", *key));
      } else if (*key == "event") {
        event = json.String();
        if (!event) return Error(Tr("\"event\" is not a text"));
      } else if (!json.SkipValue(1)) {
        return Error(Tr("not a JSON object"));
      }
    } while (json.Take(','));
    if (!json.Take('}')) return Error(Tr("not a JSON object"));
  }
  if (!json.AtEnd()) return Error(Tr("more after the JSON object"));

  LineResult result;
  Record& record = result.record;
  if (report && refused) {
    record.kind = Record::Kind::kRefused;
  } else if (report) {
    record.kind = Record::Kind::kReport;
    record.report = std::move(*report);
  } else if (event && *event == "plugged") {
    record.kind = Record::Kind::kPlugged;
  } else if (event && *event == "unplugged") {
    record.kind = Record::Kind::kUnplugged;
  } else {
    return result;
  }
  if (!ms) return Error(Tr("no \"ms\""));
  record.us = *ms * 1000;
  return result;
}

LineResult ReadUsbmonLine(std::string_view line) {
  const std::vector<std::string_view> words = Words(line);
  if (words.empty()) return {};
  // tag, time stamp (us), event type, address word
  if (words.size() < 4) return Error(Tr("not a usbmon line"));
  const std::optional<std::uint64_t> stamp = Number(words[1], 10, kMaxMs);
  if (!Number(words[0], 16, UINT64_MAX) || !stamp) return Error(Tr("not a usbmon line"));
  const std::string_view type = words[2];
  if (type != "S" && type != "C" && type != "E") return Error(Tr("not a usbmon line"));
  // Address word: Co:BUS:DEVICE:ENDPOINT (the "u" form) or Co:DEVICE:ENDPOINT.
  const std::string_view address = words[3];
  if (address.size() < 3 || address[2] != ':') return Error(Tr("not a usbmon line"));
  std::vector<std::uint64_t> parts;
  for (std::size_t pos = 3; pos <= address.size();) {
    std::size_t end = address.find(':', pos);
    if (end == std::string_view::npos) end = address.size();
    const std::optional<std::uint64_t> part = Number(address.substr(pos, end - pos), 10, 999);
    if (!part) return Error(Tr("not a usbmon line"));
    parts.push_back(*part);
    pos = end + 1;
  }
  if (parts.size() != 2 && parts.size() != 3) return Error(Tr("not a usbmon line"));

  const std::optional<std::uint64_t> tag = Number(words[0], 16, UINT64_MAX);
  if ((type == "C" || type == "E") && address.substr(0, 2) == "Co" && words.size() >= 5) {
    // The status: 0, or an error as a negative errno.
    const std::string_view status = words[4];
    if (status == "0" || status.size() < 2 || status[0] != '-' ||
        !Number(status.substr(1), 10, 9999))
      return {};
    LineResult result;
    result.record.kind = Record::Kind::kRefused;
    result.record.tag = *tag;
    return result;
  }
  const bool set_feature = type == "S" && address.substr(0, 2) == "Co" && words.size() >= 10 &&
                           words[4] == "s" && words[5] == "21" && words[6] == "09" &&
                           words[7].size() == 4 && words[7].substr(0, 2) == "03";
  if (!set_feature) return {};
  const std::optional<std::uint64_t> length = Number(words[9], 16, 0xFFFF);
  const std::optional<std::uint64_t> report_id = Number(words[7].substr(2), 16, 0xFF);
  if (!length || !report_id || words.size() < 12 || words[11] != "=")
    return Error(Tr("SET_REPORT without its data"));
  LineResult result;
  Record& record = result.record;
  record.kind = Record::Kind::kReport;
  record.tag = *tag;
  record.us = static_cast<std::int64_t>(*stamp);
  record.device =
      static_cast<std::uint32_t>(parts.size() == 3 ? parts[0] * 1000 + parts[1] : parts[0]);
  // Report ID 0 is not on the wire; any other travels as the first data byte.
  if (*report_id == 0) record.report.push_back(0);
  for (std::size_t i = 12; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (word.size() % 2 != 0 || word.size() > 8)
      return Error(Tr("SET_REPORT data is not hex bytes"));
    for (std::size_t pos = 0; pos < word.size(); pos += 2) {
      const std::optional<std::uint64_t> byte = Number(word.substr(pos, 2), 16, 0xFF);
      if (!byte) return Error(Tr("SET_REPORT data is not hex bytes"));
      record.report.push_back(static_cast<std::uint8_t>(*byte));
    }
  }
  const std::size_t on_wire = record.report.size() - (*report_id == 0 ? 1 : 0);
  if (on_wire != *length) return Error(Tr("SET_REPORT data is not as long as the transfer"));
  // Read as the data says, such a report would pass for one with another ID (even 0).
  if (record.report.empty() || record.report[0] != *report_id)
    return Error(Tr("SET_REPORT data does not begin with its report ID"));
  return result;
}

std::string SessionBuilder::Add(Record record, std::size_t number) {
  if (device_plugs_) {
    if (any_ && record.us < last_raw_ - kUsbmonWrap / 2) offset_ += kUsbmonWrap;
    last_raw_ = record.us;
    if (!any_) origin_ = record.us;
    record.us += offset_ - origin_;
  }
  if (any_ && record.us < last_) return Tr("the time goes back");
  if (device_plugs_) {
    // A board plugged in again comes back at a new address: out and in again between its last
    // report and this one, even where both share a time stamp.
    if (any_ && record.device != device_) {
      const std::int64_t out = std::min(last_ + 1, record.us);
      sink_.Plug(out, false);
      sink_.Plug(std::max(out, record.us - 1), true);
    }
    device_ = record.device;
  }
  any_ = true;
  last_ = record.us;
  if (record.kind == Record::Kind::kReport) {
    ++reports_;
    sink_.Report(record.us, record.report, number);
  } else {
    sink_.Plug(record.us, record.kind == Record::Kind::kPlugged);
  }
  return {};
}

namespace {

// Reads lines into a session, one at a time. A usbmon report is held until the line that
// could say the board refused it has gone by.
class LineSession {
 public:
  LineSession(bool usbmon, SessionSink& sink) : usbmon_(usbmon), builder_(usbmon, sink) {}

  // False once a line cannot be read.
  bool Feed(std::string_view line) {
    ++number_;
    LineResult read = usbmon_ ? ReadUsbmonLine(line) : ReadJsonLine(line);
    const Record::Kind kind = read.record.kind;
    if (kind == Record::Kind::kRefused && !usbmon_) {
      ++refused_;  // the library's log names the report that failed itself
    } else if (kind == Record::Kind::kRefused) {
      Refuse(read.record.tag);
    } else if (read.error.empty() && kind != Record::Kind::kNothing) {
      if (!HandOn()) return false;
      if (kind == Record::Kind::kReport && usbmon_) {
        held_ = std::move(read.record);
        held_number_ = number_;
      } else {
        read.error = builder_.Add(std::move(read.record), number_);
      }
    }
    return Failed(read.error, number_);
  }

  SessionResult Finish() {
    if (error_.empty()) HandOn();
    if (!error_.empty()) return {builder_.reports(), error_, {}};
    SessionResult result{builder_.reports(), {}, {}};
    if (refused_ > 0) result.notes.push_back(RefusedNote(refused_));
    return result;
  }

 private:
  // The report held, handed on.
  bool HandOn() {
    if (held_.kind != Record::Kind::kReport) return true;
    Record record = std::move(held_);
    held_ = {};
    return Failed(builder_.Add(std::move(record), held_number_), held_number_);
  }

  bool Failed(const std::string& error, std::size_t number) {
    if (error.empty()) return true;
    error_ = Tr("line {1}: {2}", number, error);
    return false;
  }

  // A control transfer's completion follows it before the next one to the device, so a refused
  // report is the one held.
  void Refuse(std::uint64_t tag) {
    if (held_.kind != Record::Kind::kReport || held_.tag != tag) return;
    held_.kind = Record::Kind::kNothing;
    ++refused_;
  }

  bool usbmon_;
  SessionBuilder builder_;
  Record held_;  // kReport while a report is held
  std::size_t held_number_ = 0, number_ = 0, refused_ = 0;
  std::string error_;
};

}  // namespace

std::string RefusedNote(std::size_t refused) {
  return Tr(
      "{1} transfer(s) that the board refused (they failed on the bus and do not count as sent)",
      refused);
}

std::string Seconds(std::int64_t us) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(us) / 1'000'000);
  return text;
}

SessionResult ReadSession(std::string_view text, bool usbmon, SessionSink& sink) {
  LineSession lines(usbmon, sink);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (!lines.Feed(text.substr(0, end))) break;
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return lines.Finish();
}

SessionResult ReadSessionFile(std::FILE* file, bool usbmon, SessionSink& sink) {
  LineSession lines(usbmon, sink);
  std::string line;
  char chunk[4096];
  bool more = true;
  while (more) {
    more = std::fgets(chunk, sizeof chunk, file) != nullptr;
    if (more) line += chunk;
    if (more && (line.empty() || line.back() != '\n')) continue;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if ((more || !line.empty()) && !lines.Feed(line)) break;
    line.clear();
  }
  if (std::ferror(file)) return {0, Tr("cannot be read to its end"), {}};
  return lines.Finish();
}

InputForm RecogniseForm(std::string_view head) {
  static constexpr struct {
    std::string_view magic;
    InputForm form;
  } kMagics[] = {
      {"\xa1\xb2\xc3\xd4", InputForm::kPcap},   {"\xd4\xc3\xb2\xa1", InputForm::kPcap},
      {"\xa1\xb2\x3c\x4d", InputForm::kPcap},   {"\x4d\x3c\xb2\xa1", InputForm::kPcap},
      {"\x0a\x0d\x0d\x0a", InputForm::kPcapng},
  };
  for (const auto& [magic, form] : kMagics)
    if (head.substr(0, magic.size()) == magic) return form;
  const std::size_t start = head.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || head[start] == '{') return InputForm::kJson;
  // usbmon text: a hexadecimal tag, then the time stamp in microseconds.
  const std::vector<std::string_view> words = Words(head.substr(start, head.find('\n', start)));
  if (words.size() >= 2 && Number(words[0], 16, UINT64_MAX) && Number(words[1], 10, UINT64_MAX))
    return InputForm::kUsbmonText;
  return InputForm::kUnknown;
}

}  // namespace station_check
