// The platform interface: the system's HID interfaces (system_platform.h) and, after them,
// while a virtual board is offered to this program, the board, reached through its channel
// (board_link.h). A set acquired while no virtual board is offered is the system's own, and
// every call on it and its devices goes straight to the system: the added work is one look for
// the board per set.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform.h"
#include "system_platform.h"
#include "virtual_board/board_link.h"
#include "virtual_board/channel.h"

namespace varnel::platform {
namespace {

namespace channel = virtual_board_channel;

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
  // Takes item; its handle is its own address, which no live system handle equals.
  Handle Add(std::unique_ptr<Item> item) {
    item->handle = reinterpret_cast<Handle>(item.get());
    items_.push_back(std::move(item));
    return items_.back()->handle;
  }
  void Drop(Handle handle) {
    std::erase_if(items_, [handle](const auto& item) { return item->handle == handle; });
  }

 private:
  std::vector<std::unique_ptr<Item>> items_;
};

// A set acquired while the virtual board was offered: the system's set, then the board.
struct JoinedSet {
  Handle handle = 0;
  Handle system = 0;
  bool counted = false;
  std::uint32_t system_count = 0;  // the board's member index
};

// An open channel to the board.
struct BoardConnection {
  Handle handle = 0;
  std::unique_ptr<channel::Link> link;
  channel::Greeting greeting = {};
  bool lost = false;  // an answer came late or not at all
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

// Once the board failed to answer in time, nothing more is tried for this open.
bool Send(BoardConnection* board, const void* bytes, std::uint32_t size) {
  board->lost = board->lost || !board->link->Write(bytes, size);
  return !board->lost;
}
bool Receive(BoardConnection* board, void* bytes, std::uint32_t size) {
  board->lost = board->lost || !board->link->Read(bytes, size);
  return !board->lost;
}

// Opens the board's channel and takes its greeting.
Handle ConnectBoard() {
  auto connection = std::make_unique<BoardConnection>();
  connection->link = channel::Connect();
  if (!connection->link ||
      !Receive(connection.get(), &connection->greeting, sizeof connection->greeting)) {
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
  if (!channel::Offered()) return set;
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
  const std::string& path = channel::DevicePath();
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
  if (channel::DevicePath() != path) return system::CreateFile(path, access, share, disposition);
  return ConnectBoard();
}

bool CloseHandle(Handle device) {
  if (!connections.Find(device)) return system::CloseHandle(device);
  connections.Drop(device);
  return true;
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
  return Send(board, report, length) && Receive(board, &answer, 1) && answer == channel::kAccepted;
}

bool FreePreparsedData(Handle preparsed) {
  if (!board_preparsed.Find(preparsed)) return system::FreePreparsedData(preparsed);
  board_preparsed.Drop(preparsed);
  return true;
}

}  // namespace varnel::platform
