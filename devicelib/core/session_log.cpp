#include "core/session_log.h"

#include <string>
#include <string_view>

#include "platform.h"

namespace varnel::session_log {
namespace {

// The session of the log the platform hands out; a new log starts a new session.
struct Session {
  platform::Handle log = 0;
  bool started = false;  // a line was written, at origin_ms
  std::int64_t origin_ms = 0;
  bool open = false;  // the last open's result
};

Session session;

// The session of the platform's log, or null when there is no log.
Session* Current() {
  const platform::Handle log = platform::SessionLog();
  if (!platform::IsHeld(log)) return nullptr;
  if (log != session.log) session = Session{.log = log};
  return &session;
}

// One line, whole, in one append; whether it reached the file changes nothing.
void Write(Session& current, std::string_view fields) {
  const std::int64_t now = platform::MonotonicMilliseconds();
  if (!current.started) {
    current.started = true;
    current.origin_ms = now;
  }
  std::string line = "{\"ms\":" + std::to_string(now - current.origin_ms) + ",";
  line += fields;
  line += "}\n";
  platform::AppendToLog(current.log, line.data(), line.size());
}

}  // namespace

std::int16_t NoteOpen(std::int16_t result) {
  Session* current = Current();
  const bool open = result == -1;
  if (current != nullptr && open != current->open) {
    current->open = open;
    Write(*current, open ? R"("event":"plugged")" : R"("event":"unplugged")");
  }
  return result;
}

void NoteReport(const std::uint8_t* report, std::size_t length, bool sent) {
  Session* current = Current();
  if (current == nullptr) return;
  std::string fields = sent ? R"("report":[)" : R"("failed":[)";
  for (std::size_t i = 0; i < length; ++i) {
    if (i > 0) fields += ',';
    fields += std::to_string(report[i]);
  }
  fields += "],\"length\":" + std::to_string(length);
  Write(*current, fields);
}

}  // namespace varnel::session_log
