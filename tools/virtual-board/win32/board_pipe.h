#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "board_state.h"
#include "readers.h"

// The LED board offered to Varnel.dll on this desktop through its pipe (virtual_board_channel.h),
// served on a thread of its own so that a program's reports never wait for the window. The
// thread keeps the board's state and writes the JSON lines; the window learns of each change by
// a posted kChangedMessage, after the coach, if any, has been told.
namespace virtual_board {

// wParam: green row | red row << 8; lParam: 1 while plugged in.
inline constexpr UINT kChangedMessage = WM_APP + 1;

class BoardPipe {
 public:
  // json: where the JSON lines go, or null; coach: told every report and plug change, with
  // the line the JSON would give it, or null.
  BoardPipe(HWND window, std::FILE* json, station_check::SessionSink* coach);
  ~BoardPipe();
  BoardPipe(const BoardPipe&) = delete;
  BoardPipe& operator=(const BoardPipe&) = delete;

  // Plugs the board in and starts serving; false with the reason when it cannot.
  bool Start(std::string* error);
  // Pulls the board out or puts it back.
  void SetPlugged(bool plugged);

 private:
  static DWORD WINAPI Run(void* self);
  void Serve();
  void ServeOneProgram();
  bool Transfer(bool reading, std::uint8_t* bytes, DWORD size);
  bool Await(OVERLAPPED* overlapped, DWORD* done);
  void Changed();
  void Event(const char* what);
  std::int64_t Ms() const;

  HWND window_;
  std::FILE* json_;
  station_check::SessionSink* coach_;
  std::size_t lines_ = 0;  // the JSON lines so far
  std::string path_;
  HANDLE change_ = nullptr;  // auto-reset: the plug state or the end was asked for
  HANDLE io_ = nullptr;      // manual-reset: the pipe's operation completed
  HANDLE thread_ = nullptr;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;  // while plugged in; the thread's after Start
  std::atomic<bool> want_plugged_ = true;
  std::atomic<bool> ending_ = false;
  BoardState board_;
  std::chrono::steady_clock::time_point made_ = std::chrono::steady_clock::now();
};

}  // namespace virtual_board
