// The platform interface on Windows: the system's HID interfaces (win32_platform.cpp) and,
// after them, while virtual-board.exe runs on this desktop, the virtual board, reached through
// its pipe (virtual_board_channel.h). A set acquired while no virtual board runs is the
// system's own and every call on it and its devices goes straight to the system: the added work
// is one look for the board's presence event per set, which fails at once.
#include <windows.h>
// The platform operation keeps its plain name; the ANSI function is bound by name below.
#undef CreateFile

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform.h"
#include "win32/system_functions.h"
#include "win32/system_platform.h"
#include "win32/virtual_board_channel.h"

namespace varnel::platform {
namespace {

namespace channel = virtual_board_channel;
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
// How long the board may take to answer; one that takes longer is pulled out for that open.
constexpr DWORD kAnswerMs = 500;

// The objects of the virtual board that the core holds, found by the handle it was given.
template <typename Item>
class Live {
 public:
  Item* Find(Handle handle) {
    for (const auto& item : items_) {
      if (item->handle == handle) return item.get();
    }
    return nullptr;
  }
  // Takes item; its handle is its own address unless it has one already.
  Handle Add(std::unique_ptr<Item> item) {
    if (item->handle == 0) item->handle = reinterpret_cast<Handle>(item.get());
    items_.push_back(std::move(item));
    return items_.back()->handle;
  }
  void Drop(Handle handle) {
    std::erase_if(items_, [handle](const auto& item) { return item->handle == handle; });
  }

 private:
  std::vector<std::unique_ptr<Item>> items_;
};

// A set acquired while the virtual board ran: the system's set, then the board.
struct JoinedSet {
  Handle handle = 0;
  Handle system = 0;
  bool counted = false;
  std::uint32_t system_count = 0;  // the board's member index
};

// An open pipe to the board (its handle is the pipe's).
struct BoardConnection {
  BoardConnection() = default;
  BoardConnection(const BoardConnection&) = delete;
  BoardConnection& operator=(const BoardConnection&) = delete;
  ~BoardConnection() {
    if (answered) system::CloseHandle(reinterpret_cast<Handle>(answered));
  }
  Handle handle = 0;
  channel::Greeting greeting = {};
  HANDLE answered = nullptr;  // manual-reset: the pipe's read or write completed
  bool lost = false;          // an answer came late or not at all
};

struct BoardPreparsed {
  Handle handle = 0;
  std::uint16_t feature_report_length = 0;
};

Live<JoinedSet> joined_sets;
Live<BoardConnection> connections;
Live<BoardPreparsed> board_preparsed;

// Marks the interface data that describes the board; no system set hands out this address.
const char kBoardInterface = 0;
std::uintptr_t BoardInterfaceMark() {
  return reinterpret_cast<std::uintptr_t>(&kBoardInterface);
}

const std::string& ChannelPath() {
  static const std::string path = [] {
    DWORD session = 0;
    auto* session_of = process_id_to_session_id.Get();
    auto* process = get_current_process_id.Get();
    if (session_of && process) session_of(process(), &session);
    return channel::DevicePath(session);
  }();
  return path;
}

DWORD LastError() {
  auto* function = get_last_error.Get();
  return function ? function() : 0;
}

// Whether a virtual board runs on this desktop: its presence event is there.
bool VirtualBoardRunning() {
  auto* open = open_event.Get();
  const HANDLE presence = open ? open(SYNCHRONIZE, FALSE, channel::kPresenceName) : nullptr;
  if (!presence) return false;
  system::CloseHandle(reinterpret_cast<Handle>(presence));
  return true;
}

// Reads or writes size bytes on the board's pipe, each part waited for at most kAnswerMs.
bool Transfer(BoardConnection* board, bool reading, void* bytes, DWORD size) {
  auto* read = read_file.Get();
  auto* write = windows::write_file.Get();
  auto* wait = wait_for_single_object.Get();
  auto* cancel = cancel_io.Get();
  auto* result = get_overlapped_result.Get();
  if (!read || !write || !wait || !cancel || !result || !board->answered) board->lost = true;
  const HANDLE pipe = reinterpret_cast<HANDLE>(board->handle);
  auto* at = static_cast<std::uint8_t*>(bytes);
  while (!board->lost && size > 0) {
    OVERLAPPED operation = {};
    operation.hEvent = board->answered;
    const bool started = (reading ? read(pipe, at, size, nullptr, &operation)
                                  : write(pipe, at, size, nullptr, &operation)) ||
                         LastError() == ERROR_IO_PENDING;
    if (!started) {
      board->lost = true;
      break;
    }
    const bool in_time = wait(board->answered, kAnswerMs) == WAIT_OBJECT_0;
    if (!in_time) cancel(pipe);
    // Waits for a cancelled operation too, before its record goes.
    DWORD done = 0;
    const bool completed = result(pipe, &operation, &done, TRUE) != FALSE;
    board->lost = !in_time || !completed || done == 0;
    at += done;
    size -= done;
  }
  return !board->lost;
}

// Opens the board's pipe and takes its greeting; the board serves one program at a time.
Handle ConnectBoard(std::uint32_t access, std::uint32_t share, std::uint32_t disposition) {
  auto* wait = wait_named_pipe.Get();
  auto* make_event = create_event.Get();
  if (!wait || !make_event) return kInvalidHandle;
  const char* path = ChannelPath().c_str();
  // Overlapped, so that a board that does not answer cannot hold the program.
  constexpr std::uint32_t kFlags = FILE_FLAG_OVERLAPPED;
  Handle pipe = system::CreateFile(path, access, share, disposition, kFlags);
  if (pipe == kInvalidHandle && LastError() == ERROR_PIPE_BUSY && wait(path, kBusyWaitMs))
    pipe = system::CreateFile(path, access, share, disposition, kFlags);
  if (pipe == kInvalidHandle) return kInvalidHandle;
  auto connection = std::make_unique<BoardConnection>();
  connection->handle = pipe;
  connection->answered = make_event(nullptr, TRUE, FALSE, nullptr);
  if (!Transfer(connection.get(), true, &connection->greeting, sizeof connection->greeting)) {
    system::CloseHandle(connection->handle);
    return kInvalidHandle;
  }
  return connections.Add(std::move(connection));
}

std::uint32_t SystemCount(JoinedSet* set, const Guid* guid) {
  if (!set->counted) {
    InterfaceData probe = {};
    probe.size = sizeof probe;
    while (system::EnumDeviceInterfaces(set->system, guid, set->system_count, &probe)) {
      ++set->system_count;
    }
    set->counted = true;
  }
  return set->system_count;
}

}  // namespace

void GetHidGuid(Guid* guid) {
  system::GetHidGuid(guid);
}

Handle GetClassDevs(const Guid* guid, std::uint32_t flags) {
  const Handle set = system::GetClassDevs(guid, flags);
  if (!VirtualBoardRunning()) return set;
  auto joined = std::make_unique<JoinedSet>();
  joined->system = set;
  return joined_sets.Add(std::move(joined));
}

bool EnumDeviceInterfaces(Handle set, const Guid* guid, std::uint32_t member_index,
                          InterfaceData* data) {
  JoinedSet* joined = joined_sets.Find(set);
  if (!joined) return system::EnumDeviceInterfaces(set, guid, member_index, data);
  if (system::EnumDeviceInterfaces(joined->system, guid, member_index, data)) return true;
  if (member_index != SystemCount(joined, guid)) return false;
  data->interface_class = *guid;
  data->flags = 1;  // SPINT_ACTIVE
  data->reserved = BoardInterfaceMark();
  return true;
}

bool GetDeviceInterfaceDetail(Handle set, InterfaceData* data, std::uint8_t* detail,
                              std::uint32_t detail_size, std::uint32_t* required_size) {
  const JoinedSet* joined = joined_sets.Find(set);
  if (!joined)
    return system::GetDeviceInterfaceDetail(set, data, detail, detail_size, required_size);
  if (data->reserved != BoardInterfaceMark()) {
    return system::GetDeviceInterfaceDetail(joined->system, data, detail, detail_size,
                                            required_size);
  }
  const std::string& path = ChannelPath();
  const auto needed = static_cast<std::uint32_t>(kDetailPathOffset + path.size() + 1);
  *required_size = needed;
  if (detail == nullptr || detail_size < needed) return false;
  std::memcpy(detail + kDetailPathOffset, path.c_str(), path.size() + 1);
  return true;
}

bool DestroyDeviceInfoList(Handle set) {
  JoinedSet* joined = joined_sets.Find(set);
  if (!joined) return system::DestroyDeviceInfoList(set);
  if (IsHeld(joined->system)) system::DestroyDeviceInfoList(joined->system);
  joined_sets.Drop(set);
  return true;
}

Handle CreateFile(const char* path, std::uint32_t access, std::uint32_t share,
                  std::uint32_t disposition) {
  if (ChannelPath() != path) return system::CreateFile(path, access, share, disposition);
  return ConnectBoard(access, share, disposition);
}

bool CloseHandle(Handle device) {
  connections.Drop(device);
  return system::CloseHandle(device);
}

bool GetAttributes(Handle device, Attributes* attributes) {
  const BoardConnection* board = connections.Find(device);
  if (!board) return system::GetAttributes(device, attributes);
  attributes->vendor_id = board->greeting.vendor_id;
  attributes->product_id = board->greeting.product_id;
  attributes->version_number = board->greeting.version_number;
  return true;
}

bool GetPreparsedData(Handle device, Handle* preparsed) {
  const BoardConnection* board = connections.Find(device);
  if (!board) return system::GetPreparsedData(device, preparsed);
  auto data = std::make_unique<BoardPreparsed>();
  data->feature_report_length = board->greeting.feature_report_length;
  *preparsed = board_preparsed.Add(std::move(data));
  return true;
}

bool GetCaps(Handle preparsed, Capabilities* capabilities) {
  const BoardPreparsed* data = board_preparsed.Find(preparsed);
  if (!data) return system::GetCaps(preparsed, capabilities);
  // One vendor-defined collection with one feature report.
  *capabilities = {};
  capabilities->usage_page = 0xFF00;
  capabilities->usage = 1;
  capabilities->feature_report_byte_length = data->feature_report_length;
  capabilities->number_link_collection_nodes = 1;
  capabilities->number_feature_value_caps = 1;
  capabilities->number_feature_data_indices = 1;
  return true;
}

bool SetFeature(Handle device, const void* report, std::uint32_t length) {
  BoardConnection* board = connections.Find(device);
  if (!board) return system::SetFeature(device, report, length);
  // As the HID class driver does, a report of another length than the device's is refused.
  if (length != board->greeting.feature_report_length) return false;
  std::uint8_t answer = 0;
  // A write only hands the bytes to WriteFile.
  return Transfer(board, false, const_cast<void*>(report), length) &&
         Transfer(board, true, &answer, 1) && answer == channel::kAccepted;
}

bool FreePreparsedData(Handle preparsed) {
  if (!board_preparsed.Find(preparsed)) return system::FreePreparsedData(preparsed);
  board_preparsed.Drop(preparsed);
  return true;
}

}  // namespace varnel::platform
