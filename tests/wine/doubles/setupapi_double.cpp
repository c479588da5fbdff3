// setupapi.dll for the tests: the four Setup API functions the library binds, over the bus.
#include <windows.h>
// windows.h comes first: the native API header needs its types.
#include <winternl.h>

#define HID_BUS_IMPLEMENTATION

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hid_bus.h"

namespace {

struct Interface {
  std::string path;
  std::uint16_t vendor, product, feature_length;
  std::uint32_t flags;
  bool present;
  HANDLE holder;
};

struct Bus {
  std::vector<Interface> interfaces;
  std::map<HANDLE, std::vector<int>> sets;
  std::map<void*, int> preparsed;  // -> feature length
  std::set<HANDLE> seen_handles;
  std::vector<std::string> calls;
  std::vector<std::vector<std::uint8_t>> reports;
  int faults = 0;
  std::uintptr_t next = 0x1000;
  std::FILE* report_log = nullptr;
};

Bus& TheBus() {
  static Bus bus;
  return bus;
}

std::string Hex(std::uintptr_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(value));
  return text;
}

constexpr std::uint32_t kRefused = 1, kUnreadable = 2, kShortDetail = 4, kMissingFile = 8;

// The SP_DEVICE_INTERFACE_DATA of this build, with the member index kept in Reserved.
struct InterfaceRecord {
  DWORD size;
  GUID guid;
  DWORD flags;
  ULONG_PTR reserved;
};

// A whole program run over the doubles: with HID_BUS_BOARD set the bus holds the LED board,
// with HID_BUS_OTHERS set a mouse and a keyboard (after the board), and with HID_BUS_REPORT_LOG
// set every feature report is appended to that file as one line
// "milliseconds data ctrl length".
struct EnvironmentScript {
  EnvironmentScript();
};

}  // namespace

extern "C" {

void Bus_Reset() {
  Bus& bus = TheBus();
  for (const Interface& entry : bus.interfaces) {
    if (entry.holder) CloseHandle(entry.holder);
    DeleteFileA(entry.path.c_str());
  }
  bus.interfaces.clear();
  bus.seen_handles.clear();
  bus.faults = 0;
  Bus_ClearRecord();
}

int Bus_Add(const char* ids_in_path, std::uint16_t vendor, std::uint16_t product,
            std::uint16_t feature_length, std::uint32_t flags) {
  Bus& bus = TheBus();
  const int number = static_cast<int>(bus.interfaces.size());
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "hid#" + std::to_string(GetCurrentProcessId()) +
                           "&" + std::to_string(number) + "#" + ids_in_path;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  const std::string content = std::to_string(number);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  HANDLE holder = nullptr;
  if (flags & kMissingFile) {
    DeleteFileA(path.c_str());
  } else if (flags & kRefused) {
    // Held open without sharing, as by another program, so the library's open is refused.
    holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  } else {
    holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  bus.interfaces.push_back({path, vendor, product, feature_length, flags, true, holder});
  return number;
}

void Bus_SetPresent(int number, BOOL present) {
  TheBus().interfaces.at(number).present = present != FALSE;
}

BOOL Bus_FileExists(int number) {
  return GetFileAttributesA(TheBus().interfaces.at(number).path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int Bus_CallCount() {
  return static_cast<int>(TheBus().calls.size());
}

int Bus_Call(int i, char* text, int size) {
  const std::string& call = TheBus().calls.at(i);
  std::snprintf(text, size, "%s", call.c_str());
  return static_cast<int>(call.size());
}

int Bus_ReportCount() {
  return static_cast<int>(TheBus().reports.size());
}

int Bus_Report(int i, std::uint8_t* bytes, int size) {
  const auto& report = TheBus().reports.at(i);
  std::memcpy(bytes, report.data(), std::min<std::size_t>(size, report.size()));
  return static_cast<int>(report.size());
}

void Bus_ClearRecord() {
  TheBus().calls.clear();
  TheBus().reports.clear();
}

int Bus_LiveSets() {
  return static_cast<int>(TheBus().sets.size());
}
int Bus_LivePreparsed() {
  return static_cast<int>(TheBus().preparsed.size());
}

int Bus_LiveHandles() {
  int live = 0;
  for (HANDLE handle : TheBus().seen_handles) {
    // A holder made after the library closed a handle may have been given the same value.
    const auto& interfaces = TheBus().interfaces;
    if (std::any_of(interfaces.begin(), interfaces.end(),
                    [handle](const Interface& entry) { return entry.holder == handle; })) {
      continue;
    }
    DWORD flags = 0;
    if (GetHandleInformation(handle, &flags)) ++live;
  }
  return live;
}

int Bus_Faults() {
  return TheBus().faults;
}

void Bus_Record(const char* line) {
  TheBus().calls.push_back(line);
}

int Bus_InterfaceOf(HANDLE device, std::uint32_t* access) {
  if (access) {
    PUBLIC_OBJECT_BASIC_INFORMATION info = {};
    ULONG length = 0;
    *access = NT_SUCCESS(NtQueryObject(device, ObjectBasicInformation, &info, sizeof info, &length))
                  ? info.GrantedAccess
                  : 0;
  }
  char content[16] = {};
  DWORD read = 0;
  if (SetFilePointer(device, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !ReadFile(device, content, sizeof content - 1, &read, nullptr) || read == 0) {
    return -1;
  }
  TheBus().seen_handles.insert(device);
  const int number = std::atoi(content);
  return number < static_cast<int>(TheBus().interfaces.size()) ? number : -1;
}

BOOL Bus_Attributes(int number, std::uint16_t* vendor, std::uint16_t* product) {
  const Interface& entry = TheBus().interfaces.at(number);
  if (!entry.present || (entry.flags & kUnreadable)) return FALSE;
  *vendor = entry.vendor;
  *product = entry.product;
  return TRUE;
}

void* Bus_NewPreparsed(int number) {
  Bus& bus = TheBus();
  void* data = reinterpret_cast<void*>(bus.next++);
  bus.preparsed[data] = bus.interfaces.at(number).feature_length;
  return data;
}

int Bus_PreparsedLength(void* preparsed) {
  const auto found = TheBus().preparsed.find(preparsed);
  if (found == TheBus().preparsed.end()) {
    ++TheBus().faults;
    return -1;
  }
  return found->second;
}

BOOL Bus_FreePreparsed(void* preparsed) {
  if (TheBus().preparsed.erase(preparsed) == 0) {
    ++TheBus().faults;
    return FALSE;
  }
  return TRUE;
}

void Bus_AddReport(int, const std::uint8_t* bytes, int length) {
  TheBus().reports.emplace_back(bytes, bytes + length);
  if (std::FILE* log = TheBus().report_log) {
    std::fprintf(log, "%lu %u %u %d\n", static_cast<unsigned long>(GetTickCount()),
                 length > 1 ? bytes[1] : 0u, length > 2 ? bytes[2] : 0u, length);
    std::fflush(log);
  }
}

__declspec(dllexport) HANDLE WINAPI
    SetupDiGetClassDevsA(const GUID* guid, const char* enumerator, HWND window, DWORD flags) {
  Bus& bus = TheBus();
  bus.calls.push_back("SetupDiGetClassDevsA guid=" +
                      std::string(guid && IsEqualGUID(*guid, kHidGuid) ? "hid" : "other") +
                      " enumerator=" + (enumerator ? "yes" : "null") +
                      " window=" + (window ? "yes" : "null") + " flags=" + Hex(flags));
  std::vector<int> present;
  for (int i = 0; i < static_cast<int>(bus.interfaces.size()); ++i) {
    if (bus.interfaces[i].present) present.push_back(i);
  }
  HANDLE set = reinterpret_cast<HANDLE>(bus.next++);
  bus.sets[set] = present;
  return set;
}

__declspec(dllexport) BOOL WINAPI
    SetupDiEnumDeviceInterfaces(HANDLE set, void* element, const GUID* guid, DWORD index,
                                InterfaceRecord* data) {
  Bus& bus = TheBus();
  bus.calls.push_back("SetupDiEnumDeviceInterfaces set=" + Hex(reinterpret_cast<ULONG_PTR>(set)) +
                      " element=" + (element ? "yes" : "null") + " index=" + std::to_string(index) +
                      " size=" + std::to_string(data->size));
  const auto found = bus.sets.find(set);
  if (found == bus.sets.end()) {
    ++bus.faults;
    return FALSE;
  }
  if (data->size != sizeof(InterfaceRecord) || index >= found->second.size() ||
      !bus.interfaces[found->second[index]].present) {
    // Spoiled, so that a caller which does not set the size before every step is seen.
    data->size = 0;
    return FALSE;
  }
  data->guid = *guid;
  data->flags = 1;
  data->reserved = found->second[index];
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI
    SetupDiGetDeviceInterfaceDetailA(HANDLE set, InterfaceRecord* data, std::uint8_t* detail,
                                     DWORD size, DWORD* required, void* element) {
  Bus& bus = TheBus();
  DWORD field = 0;
  if (detail && size >= 4) std::memcpy(&field, detail, 4);
  const bool known = bus.sets.count(set) != 0 && data->size == sizeof(InterfaceRecord);
  const Interface* entry = known ? &bus.interfaces.at(data->reserved) : nullptr;
  const DWORD needed = !entry ? 0
                       : (entry->flags & kShortDetail)
                           ? 3
                           : static_cast<DWORD>(4 + entry->path.size() + 1);
  bus.calls.push_back(
      "SetupDiGetDeviceInterfaceDetailA set=" + Hex(reinterpret_cast<ULONG_PTR>(set)) +
      " record=" + std::to_string(data->size) + " buffer=" + (detail ? "yes" : "no") +
      " size=" + std::to_string(size) + " required_in=" + std::to_string(required ? *required : 0) +
      " required_out=" + std::to_string(needed) +
      (detail ? " field=" + std::to_string(field) : std::string()) +
      " element=" + (element ? "yes" : "null"));
  if (!entry) {
    ++bus.faults;
    return FALSE;
  }
  if (required) *required = needed;
  if (!detail || size < needed || field != (sizeof(void*) == 4 ? 5 : 8) || needed < 5) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(detail + 4, entry->path.c_str(), entry->path.size() + 1);
  return TRUE;
}

__declspec(dllexport) BOOL WINAPI SetupDiDestroyDeviceInfoList(HANDLE set) {
  Bus& bus = TheBus();
  bus.calls.push_back("SetupDiDestroyDeviceInfoList set=" + Hex(reinterpret_cast<ULONG_PTR>(set)) +
                      " open_handles=" + std::to_string(Bus_LiveHandles()));
  if (bus.sets.erase(set) == 0) {
    ++bus.faults;
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"

EnvironmentScript::EnvironmentScript() {
  if (const char* log = std::getenv("HID_BUS_REPORT_LOG"))
    TheBus().report_log = std::fopen(log, "a");
  if (std::getenv("HID_BUS_BOARD")) Bus_Add("vid_1234&pid_6789", 0x1234, 0x6789, 9, 0);
  if (std::getenv("HID_BUS_OTHERS")) {
    Bus_Add("vid_046d&pid_c077", 0x046d, 0xc077, 0, 0);
    Bus_Add("vid_04d9&pid_1503", 0x04d9, 0x1503, 0, 0);
  }
}

namespace {
const EnvironmentScript script;
}  // namespace
