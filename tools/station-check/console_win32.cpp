#include <windows.h>
// After windows.h, which it needs.
#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "console.h"

namespace station_check {
namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

std::wstring Wide(const std::string& utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  if (size <= 1) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

}  // namespace

// argv holds the arguments in the system's code page, which cannot name every file: they are
// taken from the command line as Windows keeps it.
std::vector<std::string> Arguments(int, char**) {
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(
      CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
  std::vector<std::string> arguments;
  for (int i = 1; wide && i < count; ++i) arguments.push_back(Utf8(wide.get()[i]));
  return arguments;
}

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return _wfopen(Wide(name).c_str(), Wide(mode).c_str());
}

// std::tmpfile would make the file in the drive's root folder, where users may not write.
std::FILE* TemporaryFile() {
  wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"stc", 0, name) == 0)
    return nullptr;
  const HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, "w+b");
  if (file == nullptr) _close(descriptor);
  return file;
}

// Text mode would drop the carriage returns of a capture's bytes and end it at a Ctrl-Z.
void ReadStandardInputToItsEnd() {
  _setmode(_fileno(stdin), _O_BINARY);
  if (GetFileType(GetStdHandle(STD_INPUT_HANDLE)) != FILE_TYPE_CHAR)
    SetConsoleCtrlHandler(nullptr, TRUE);
}

// A console takes narrow text in its own code page: UTF-16 reaches it unchanged.
void Write(std::FILE* stream, const std::string& text) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (!GetConsoleMode(handle, &mode)) {
    std::fputs(text.c_str(), stream);
    return;
  }
  std::fflush(stream);
  const std::wstring wide = Wide(text);
  DWORD written = 0;
  WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

bool IsTerminal(std::FILE* stream) {
  DWORD mode = 0;
  return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
}

// A command prompt shares its console with the programs it starts; Explorer gives a console
// program one of its own.
bool HasOwnConsoleWindow() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

void WaitForKey(const char* prompt) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(input, &mode)) return;
  Write(stdout, prompt);
  // Keys pressed while the session was judged do not count.
  FlushConsoleInputBuffer(input);
  INPUT_RECORD record;
  DWORD read = 0;
  while (ReadConsoleInputW(input, &record, 1, &read) && read == 1)
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
}

// The shell may hand the file to an extension of its own, which needs COM on this thread.
bool OpenWithItsProgram(const std::string& file) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const auto opened = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", Wide(file).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (SUCCEEDED(com)) CoUninitialize();
  return opened > 32;
}

}  // namespace station_check
