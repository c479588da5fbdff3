#include "board_pipe.h"

#include <cstring>
#include <vector>

#include "messages.h"
#include "win32/virtual_board_channel.h"

namespace virtual_board {
namespace {

namespace channel = varnel::virtual_board_channel;

// One instance, so one program at a time; the first instance only, so that a second virtual
// board on this desktop is refused; programs of this machine only.
HANDLE MakePipe(const std::string& path) {
  return CreateNamedPipeA(
      path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 64, 64, 0,
      nullptr);
}

std::string SessionPath() {
  DWORD session = 0;
  ProcessIdToSessionId(GetCurrentProcessId(), &session);
  return channel::DevicePath(session);
}

// How long a failed plug-in waits before it tries again: a program may still hold the pipe
// that was pulled out.
constexpr DWORD kReplugRetryMs = 200;

}  // namespace

BoardPipe::BoardPipe(HWND window, std::FILE* json, station_check::SessionSink* coach)
    : window_(window), json_(json), coach_(coach), path_(SessionPath()) {
  change_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  io_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

BoardPipe::~BoardPipe() {
  if (thread_) {
    ending_ = true;
    SetEvent(change_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
  CloseHandle(io_);
  CloseHandle(change_);
}

bool BoardPipe::Start(std::string* error) {
  pipe_ = MakePipe(path_);
  if (pipe_ == INVALID_HANDLE_VALUE) {
    // Windows refuses a second first instance; Wine finds the one instance taken.
    const DWORD why = GetLastError();
    *error = why == ERROR_ACCESS_DENIED || why == ERROR_PIPE_BUSY
                 ? messages::Tr("Another virtual board is running on this desktop.")
                 : messages::Tr("The board's pipe cannot be made (error {1}).", why);
    return false;
  }
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  if (thread_) return true;
  *error = messages::Tr("The board's thread cannot be started.");
  return false;
}

void BoardPipe::SetPlugged(bool plugged) {
  want_plugged_ = plugged;
  SetEvent(change_);
}

DWORD WINAPI BoardPipe::Run(void* self) {
  static_cast<BoardPipe*>(self)->Serve();
  return 0;
}

// Plugged in while the pipe and the presence event are there: serves one program after the
// other until the board is pulled out or the program ends.
void BoardPipe::Serve() {
  while (!ending_) {
    if (pipe_ != INVALID_HANDLE_VALUE) {
      const HANDLE presence = CreateEventA(nullptr, TRUE, FALSE, channel::kPresenceName);
      Event("plugged");
      Changed();
      while (want_plugged_ && !ending_) ServeOneProgram();
      if (presence) CloseHandle(presence);
      CloseHandle(pipe_);
      pipe_ = INVALID_HANDLE_VALUE;
      if (ending_) break;
      Event("unplugged");
      Changed();
    }
    if (!want_plugged_) {
      WaitForSingleObject(change_, INFINITE);
    } else if ((pipe_ = MakePipe(path_)) == INVALID_HANDLE_VALUE) {
      WaitForSingleObject(change_, kReplugRetryMs);
    }
  }
}

// Waits for a program to open the board, greets it and takes its reports, each answered, until
// it closes the board (or the board is pulled out).
void BoardPipe::ServeOneProgram() {
  OVERLAPPED connecting = {};
  connecting.hEvent = io_;
  ResetEvent(io_);
  DWORD done = 0;
  bool connected = ConnectNamedPipe(pipe_, &connecting) != FALSE;
  const DWORD error = connected ? 0 : GetLastError();
  connected = connected || error == ERROR_PIPE_CONNECTED ||
              (error == ERROR_IO_PENDING && Await(&connecting, &done));
  channel::Greeting greeting = channel::kBoard;
  if (connected && Transfer(false, reinterpret_cast<std::uint8_t*>(&greeting), sizeof greeting)) {
    std::vector<std::uint8_t> report(channel::kBoard.feature_report_length);
    std::uint8_t answer = channel::kAccepted;
    while (Transfer(true, report.data(), static_cast<DWORD>(report.size()))) {
      board_.Apply(report);
      const std::int64_t ms = Ms();
      if (json_) {
        std::fprintf(json_, "%s\n", board_.JsonLine(ms, 0, report).c_str());
        std::fflush(json_);
      }
      ++lines_;
      if (coach_) coach_->Report(ms * 1000, report, lines_);
      Changed();
      if (!Transfer(false, &answer, 1)) break;
    }
  } else if (!connected && error != ERROR_IO_PENDING) {
    // A program that came and went before it was served: the next one is waited for anew.
    WaitForSingleObject(change_, kReplugRetryMs);
  }
  DisconnectNamedPipe(pipe_);
}

bool BoardPipe::Transfer(bool reading, std::uint8_t* bytes, DWORD size) {
  while (size > 0) {
    OVERLAPPED operation = {};
    operation.hEvent = io_;
    ResetEvent(io_);
    const BOOL started = reading ? ReadFile(pipe_, bytes, size, nullptr, &operation)
                                 : WriteFile(pipe_, bytes, size, nullptr, &operation);
    if (!started && GetLastError() != ERROR_IO_PENDING) return false;
    DWORD done = 0;
    if (!Await(&operation, &done) || done == 0) return false;
    bytes += done;
    size -= done;
  }
  return true;
}

// Waits for the pipe's operation; a change of the plug state cancels it.
bool BoardPipe::Await(OVERLAPPED* operation, DWORD* done) {
  HANDLE events[] = {io_, change_};
  if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
    CancelIo(pipe_);
    GetOverlappedResult(pipe_, operation, done, TRUE);
    return false;
  }
  return GetOverlappedResult(pipe_, operation, done, FALSE) != FALSE;
}

void BoardPipe::Changed() {
  PostMessageA(window_, kChangedMessage, board_.green() | board_.red() << 8,
               pipe_ != INVALID_HANDLE_VALUE);
}

void BoardPipe::Event(const char* what) {
  const std::int64_t ms = Ms();
  ++lines_;
  if (coach_) coach_->Plug(ms * 1000, std::strcmp(what, "plugged") == 0);
  if (!json_) return;
  std::fprintf(json_, "%s\n", JsonEvent(ms, what).c_str());
  std::fflush(json_);
}

std::int64_t BoardPipe::Ms() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               made_)
      .count();
}

}  // namespace virtual_board
