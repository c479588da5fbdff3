// Varnel.dll driven line by line from standard input, so that a script can hold one Windows
// process open while boards come and go around it. Each command is answered with one line:
//   count                            FindHidDevice's text
//   id INDEX                         FindVidPid's text for member INDEX ("" for none)
//   path INDEX                       the device path of member INDEX, from Wine's Setup API
//   open VENDOR PRODUCT              OpenUsbDevice (hexadecimal ids): -1 or 0
//   opendevice INDEX VENDOR PRODUCT  OpenDevice: -1 or 0
//   out DATA CTRL                    OutDataCtrl (hexadecimal bytes): "sent"
//   close                            CloseUsbDevice: "closed"
//   handles                          the handles Wine holds for this process, then for all
//   cycles N VENDOR PRODUCT          N opens and closes: the median microseconds of one,
//                                    or "failed"
//   openevent N NAME                 N looks for the event NAME, absent (OpenEventA): the
//                                    median microseconds of one
#include <windows.h>
// windows.h comes first: the OLE Automation header needs its types.
#include <oleauto.h>
#include <setupapi.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "export_call.h"
#include "hid_guid.h"

namespace {

HMODULE library = nullptr;

std::uintptr_t Call(const char* name, std::initializer_list<std::uintptr_t> args) {
  void* function = reinterpret_cast<void*>(GetProcAddress(library, name));
  if (function == nullptr) {
    std::printf("no export %s\n", name);
    std::exit(1);
  }
  const CallResult result = CallExport(function, args);
  if (!result.balanced) {
    std::printf("%s left the stack unbalanced\n", name);
    std::exit(1);
  }
  return result.value;
}

std::uintptr_t Slot(const void* pointer) {
  return reinterpret_cast<std::uintptr_t>(pointer);
}

std::string Truth(std::uintptr_t value) {
  return std::to_string(static_cast<std::int16_t>(value & 0xFFFF));
}

// A BSTR result as UTF-8 text, freed.
std::string Take(std::uintptr_t value) {
  BSTR text = reinterpret_cast<BSTR>(value);
  std::string narrow;
  if (text != nullptr) {
    const int length = static_cast<int>(SysStringLen(text));
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    narrow.resize(size);
    WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(), size, nullptr, nullptr);
  }
  SysFreeString(text);
  return narrow;
}

std::string OpenClose(unsigned vendor, unsigned product) {
  const std::string opened = Truth(Call("OpenUsbDevice", {vendor, product}));
  Call("CloseUsbDevice", {});
  return opened;
}

// The median microseconds of count runs of what, or "failed" when one returns false.
template <typename What>
std::string Median(int count, What what) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> micros;
  for (int i = 0; i < count; ++i) {
    QueryPerformanceCounter(&start);
    if (!what()) return "failed";
    QueryPerformanceCounter(&end);
    micros.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
  }
  if (micros.empty()) return "0";
  std::nth_element(micros.begin(), micros.begin() + micros.size() / 2, micros.end());
  return std::to_string(static_cast<long>(micros[micros.size() / 2]));
}

// The device path at a member index of the HID interfaces present ("" for none).
std::string Path(DWORD index) {
  static constexpr GUID kHid = std::bit_cast<GUID>(varnel::platform::kHidGuid);
  HDEVINFO set =
      SetupDiGetClassDevsA(&kHid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return "";
  std::string path;
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  if (SetupDiEnumDeviceInterfaces(set, nullptr, &kHid, index, &data)) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr);
    std::vector<unsigned char> detail(size + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
    auto* text = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(detail.data());
    text->cbSize = sizeof *text;
    if (SetupDiGetDeviceInterfaceDetailA(set, &data, text, size, nullptr, nullptr))
      path = text->DevicePath;
  }
  SetupDiDestroyDeviceInfoList(set);
  return path;
}

// The handles that Wine's server holds for this process and for all processes, from the
// system's handle table (GetProcessHandleCount is not kept by Wine).
std::string Handles() {
  struct Entry {
    ULONG owner;
    BYTE type;
    BYTE flags;
    USHORT value;
    void* object;
    ULONG access;
  };
  using Query = LONG WINAPI(int, void*, ULONG, ULONG*);
  constexpr int kSystemHandleInformation = 16;
  constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
  auto* query = reinterpret_cast<Query*>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll"), "NtQuerySystemInformation")));
  std::vector<unsigned char> table(1 << 16);
  ULONG needed = 0;
  LONG status;
  while ((status = query(kSystemHandleInformation, table.data(), static_cast<ULONG>(table.size()),
                         &needed)) == kLengthMismatch) {
    table.resize(std::max<std::size_t>(needed, table.size() * 2));
  }
  if (status != 0) return "unknown";
  ULONG count = 0;
  std::memcpy(&count, table.data(), sizeof count);
  const auto* entries = reinterpret_cast<const Entry*>(table.data() + sizeof(void*));
  const ULONG self = GetCurrentProcessId();
  unsigned own = 0;
  for (ULONG i = 0; i < count; ++i) own += entries[i].owner == self;
  return std::to_string(own) + " " + std::to_string(count);
}

std::string Answer(const std::string& line) {
  std::istringstream in(line);
  std::string command;
  in >> command;
  unsigned a = 0, b = 0, c = 0;
  if (command == "count") return Take(Call("FindHidDevice", {}));
  if (command == "id" && in >> a) {
    VARIANT index = I4(static_cast<std::int32_t>(a));
    return Take(Call("FindVidPid", {Slot(&index)}));
  }
  if (command == "path" && in >> a) return Path(a);
  if (command == "open" && in >> std::hex >> a >> b) return Truth(Call("OpenUsbDevice", {a, b}));
  if (command == "opendevice" && in >> a >> std::hex >> b >> c) {
    VARIANT index = I4(static_cast<std::int32_t>(a)), vendor = I4(static_cast<std::int32_t>(b)),
            product = I4(static_cast<std::int32_t>(c));
    return Truth(Call("OpenDevice", {Slot(&index), Slot(&vendor), Slot(&product)}));
  }
  if (command == "out" && in >> std::hex >> a >> b) {
    Call("OutDataCtrl", {a, b});
    return "sent";
  }
  if (command == "close") {
    Call("CloseUsbDevice", {});
    return "closed";
  }
  if (command == "handles") return Handles();
  if (command == "cycles" && in >> a >> std::hex >> b >> c) {
    return Median(static_cast<int>(a), [&] { return OpenClose(b, c) == "-1"; });
  }
  std::string name;
  if (command == "openevent" && in >> a >> name) {
    return Median(static_cast<int>(a),
                  [&] { return OpenEventA(SYNCHRONIZE, FALSE, name.c_str()) == nullptr; });
  }
  return "bad command: " + line;
}

}  // namespace

int main() {
  library = LoadLibraryA("Varnel.dll");
  if (library == nullptr) {
    std::printf("cannot load Varnel.dll (error %lu)\n", GetLastError());
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::printf("%s\n", Answer(line).c_str());
    std::fflush(stdout);
  }
  return 0;
}
