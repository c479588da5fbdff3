// The session log on Windows: the file VARNEL_SESSION_LOG names, and the performance counter
// for its times, through kernel32 functions bound by name at their first call.
#include <windows.h>

#include <string>

#include "platform.h"
#include "win32/system_functions.h"

namespace varnel::platform {
namespace {

using windows::SystemFunction;

using GetEnvironmentVariableFunction = DWORD WINAPI(const wchar_t*, wchar_t*, DWORD);
using CreateFileWideFunction = HANDLE WINAPI(const wchar_t*, DWORD, DWORD, SECURITY_ATTRIBUTES*,
                                             DWORD, DWORD, HANDLE);
using CounterFunction = BOOL WINAPI(LARGE_INTEGER*);

constexpr const char* kKernel = "kernel32";

SystemFunction<GetEnvironmentVariableFunction> get_environment_variable(kKernel,
                                                                        "GetEnvironmentVariableW");
SystemFunction<CreateFileWideFunction> create_file_wide(kKernel, "CreateFileW");
SystemFunction<CounterFunction> query_performance_counter(kKernel, "QueryPerformanceCounter");
SystemFunction<CounterFunction> query_performance_frequency(kKernel, "QueryPerformanceFrequency");

// The variable's value in full, whatever its length; empty when it is unset.
std::wstring SessionLogPath() {
  auto* get = get_environment_variable.Get();
  if (get == nullptr) return {};
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = get(L"VARNEL_SESSION_LOG", path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length);
  }
}

// Opened for appending only: without the right to write elsewhere, every write lands whole at
// the end of the file, also beside another writer.
HANDLE OpenSessionFile() {
  auto* create = create_file_wide.Get();
  const std::wstring path = SessionLogPath();
  if (create == nullptr || path.empty()) return INVALID_HANDLE_VALUE;
  return create(path.c_str(), FILE_APPEND_DATA,
                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

Handle SessionLog() {
  // Looked for once: the variable and the file are the process's.
  static const HANDLE file = OpenSessionFile();
  return file == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<Handle>(file);
}

bool AppendToLog(Handle log, const char* text, std::size_t length) {
  auto* write = windows::write_file.Get();
  DWORD written = 0;
  return write != nullptr && length <= MAXDWORD &&
         write(reinterpret_cast<HANDLE>(log), text, static_cast<DWORD>(length), &written,
               nullptr) &&
         written == length;
}

std::int64_t MonotonicMilliseconds() {
  auto* counter = query_performance_counter.Get();
  auto* frequency = query_performance_frequency.Get();
  LARGE_INTEGER now = {}, per_second = {};
  if (counter == nullptr || frequency == nullptr || !counter(&now) || !frequency(&per_second) ||
      per_second.QuadPart <= 0) {
    return 0;
  }
  // Whole seconds apart from the rest, so that a long uptime does not overflow.
  return now.QuadPart / per_second.QuadPart * 1000 +
         now.QuadPart % per_second.QuadPart * 1000 / per_second.QuadPart;
}

}  // namespace varnel::platform
