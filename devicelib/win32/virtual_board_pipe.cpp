// The virtual board's channel on Windows, as Varnel.dll reaches it: virtual-board.exe's pipe on
// this desktop (virtual_board_channel.h), looked for by its presence event, which fails at once
// while no virtual board runs.
#include <windows.h>
// The platform operation keeps its plain name; the ANSI function is bound by name below.
#undef CreateFile

#include <memory>
#include <string>

#include "system_platform.h"
#include "virtual_board/board_link.h"
#include "win32/system_functions.h"
#include "win32/virtual_board_channel.h"

namespace varnel::virtual_board_channel {
namespace {

namespace system = platform::system;
using platform::Handle;
using windows::SystemFunction;

using OpenEventFunction = HANDLE WINAPI(DWORD, BOOL, const char*);
using WaitNamedPipeFunction = BOOL WINAPI(const char*, DWORD);
using ReadFileFunction = BOOL WINAPI(HANDLE, void*, DWORD, DWORD*, OVERLAPPED*);
using GetLastErrorFunction = DWORD WINAPI();
using CreateEventFunction = HANDLE WINAPI(SECURITY_ATTRIBUTES*, BOOL, BOOL, const char*);
using WaitForSingleObjectFunction = DWORD WINAPI(HANDLE, DWORD);
using CancelIoFunction = BOOL WINAPI(HANDLE);
using GetOverlappedResultFunction = BOOL WINAPI(HANDLE, OVERLAPPED*, DWORD*, BOOL);
using ProcessIdToSessionIdFunction = BOOL WINAPI(DWORD, DWORD*);
using GetCurrentProcessIdFunction = DWORD WINAPI();

constexpr const char* kKernel = "kernel32";
SystemFunction<OpenEventFunction> open_event(kKernel, "OpenEventA");
SystemFunction<WaitNamedPipeFunction> wait_named_pipe(kKernel, "WaitNamedPipeA");
SystemFunction<ReadFileFunction> read_file(kKernel, "ReadFile");
SystemFunction<GetLastErrorFunction> get_last_error(kKernel, "GetLastError");
SystemFunction<CreateEventFunction> create_event(kKernel, "CreateEventA");
SystemFunction<WaitForSingleObjectFunction> wait_for_single_object(kKernel, "WaitForSingleObject");
SystemFunction<CancelIoFunction> cancel_io(kKernel, "CancelIo");
SystemFunction<GetOverlappedResultFunction> get_overlapped_result(kKernel, "GetOverlappedResult");
SystemFunction<ProcessIdToSessionIdFunction> process_id_to_session_id(kKernel,
                                                                      "ProcessIdToSessionId");
SystemFunction<GetCurrentProcessIdFunction> get_current_process_id(kKernel, "GetCurrentProcessId");

// How long an open waits while the board serves another program or turns to the next one.
constexpr DWORD kBusyWaitMs = 250;

DWORD LastError() {
  auto* function = get_last_error.Get();
  return function ? function() : 0;
}

// The board's pipe, overlapped, so that a board that does not answer cannot hold the program.
class PipeLink : public Link {
 public:
  PipeLink(Handle pipe, HANDLE answered) : pipe_(pipe), answered_(answered) {}
  PipeLink(const PipeLink&) = delete;
  PipeLink& operator=(const PipeLink&) = delete;
  ~PipeLink() override {
    if (answered_) system::CloseHandle(reinterpret_cast<Handle>(answered_));
    system::CloseHandle(pipe_);
  }

  bool Read(void* bytes, std::uint32_t size) override { return Transfer(true, bytes, size); }
  // WriteFile only reads the bytes.
  bool Write(const void* bytes, std::uint32_t size) override {
    return Transfer(false, const_cast<void*>(bytes), size);
  }

 private:
  bool Transfer(bool reading, void* bytes, DWORD size);

  Handle pipe_;
  HANDLE answered_;  // manual-reset: the pipe's read or write completed
};

bool PipeLink::Transfer(bool reading, void* bytes, DWORD size) {
  auto* read = read_file.Get();
  auto* write = windows::write_file.Get();
  auto* wait = wait_for_single_object.Get();
  auto* cancel = cancel_io.Get();
  auto* result = get_overlapped_result.Get();
  if (!read || !write || !wait || !cancel || !result || !answered_) return false;
  const HANDLE pipe = reinterpret_cast<HANDLE>(pipe_);
  auto* at = static_cast<std::uint8_t*>(bytes);
  while (size > 0) {
    OVERLAPPED operation = {};
    operation.hEvent = answered_;
    const bool started = (reading ? read(pipe, at, size, nullptr, &operation)
                                  : write(pipe, at, size, nullptr, &operation)) ||
                         LastError() == ERROR_IO_PENDING;
    if (!started) return false;
    const bool in_time = wait(answered_, kAnswerMs) == WAIT_OBJECT_0;
    if (!in_time) cancel(pipe);
    // Waits for a cancelled operation too, before its record goes.
    DWORD done = 0;
    const bool completed = result(pipe, &operation, &done, TRUE) != FALSE;
    if (!in_time || !completed || done == 0) return false;
    at += done;
    size -= done;
  }
  return true;
}

}  // namespace

bool Offered() {
  auto* open = open_event.Get();
  const HANDLE presence = open ? open(SYNCHRONIZE, FALSE, kPresenceName) : nullptr;
  if (!presence) return false;
  system::CloseHandle(reinterpret_cast<Handle>(presence));
  return true;
}

const std::string& DevicePath() {
  static const std::string path = [] {
    DWORD session = 0;
    auto* session_of = process_id_to_session_id.Get();
    auto* process = get_current_process_id.Get();
    if (session_of && process) session_of(process(), &session);
    return DevicePath(session);
  }();
  return path;
}

std::unique_ptr<Link> Connect() {
  auto* wait = wait_named_pipe.Get();
  auto* make_event = create_event.Get();
  if (!wait || !make_event) return nullptr;
  const char* path = DevicePath().c_str();
  const auto open = [path] {
    return system::CreateFile(path, platform::kReadWriteAccess, platform::kShareReadWrite,
                              platform::kOpenExisting, FILE_FLAG_OVERLAPPED);
  };
  Handle pipe = open();
  if (pipe == platform::kInvalidHandle && LastError() == ERROR_PIPE_BUSY && wait(path, kBusyWaitMs))
    pipe = open();
  if (pipe == platform::kInvalidHandle) return nullptr;
  return std::make_unique<PipeLink>(pipe, make_event(nullptr, TRUE, FALSE, nullptr));
}

}  // namespace varnel::virtual_board_channel
