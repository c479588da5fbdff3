// The manifest of each Windows program named on the command line, as the loader reads it from
// the file's resources: aware of each monitor's dpi (the system's where per-monitor is unknown),
// run as invoked, known to Windows 7 to 11, no active code page of its own.
// Usage: manifest_check PROGRAM.exe...   Prints what it saw; exits 1 on the first difference.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr GUID kWindows7 = {
    0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}};
constexpr GUID kWindows10And11 = {
    0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}};

std::wstring Setting(HANDLE context, const wchar_t* name_space, const wchar_t* name) {
  wchar_t value[128] = {};
  SIZE_T written = 0;
  if (!QueryActCtxSettingsW(0, context, name_space, name, value, 128, &written)) return L"(none)";
  return value;
}

// The compatibility elements' layout has grown between SDKs: the GUIDs are looked for anywhere.
bool Names(const std::vector<unsigned char>& elements, const GUID& os) {
  for (std::size_t at = 0; at + sizeof os <= elements.size(); at += 4) {
    if (std::memcmp(elements.data() + at, &os, sizeof os) == 0) return true;
  }
  return false;
}

bool Check(const wchar_t* program) {
  const auto fail = [program](const char* what, const std::wstring& saw) {
    std::printf("FAIL: %ls: %s, saw %ls\n", program, what, saw.c_str());
    return false;
  };
  ACTCTXW request = {};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = program;
  request.lpResourceName = MAKEINTRESOURCEW(1);  // the manifest the loader reads for an .exe
  HANDLE context = CreateActCtxW(&request);
  if (context == INVALID_HANDLE_VALUE) {
    return fail("no manifest resource", L"error " + std::to_wstring(GetLastError()));
  }
  const std::wstring awareness =
      Setting(context, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness");
  if (awareness.rfind(L"PerMonitorV2", 0) != 0) return fail("dpiAwareness", awareness);
  const std::wstring aware =
      Setting(context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware");
  if (aware != L"true/pm") return fail("dpiAware (the fallback)", aware);
  const std::wstring code_page =
      Setting(context, L"http://schemas.microsoft.com/SMI/2019/WindowsSettings", L"activeCodePage");
  if (code_page != L"(none)") return fail("activeCodePage", code_page);

  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION run_level = {};
  QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &run_level,
               sizeof run_level, nullptr);
  if (run_level.RunLevel != ACTCTX_RUN_LEVEL_AS_INVOKER || run_level.UiAccess) {
    return fail("requestedExecutionLevel", std::to_wstring(run_level.RunLevel));
  }
  std::vector<unsigned char> compatibility(1024);
  QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext,
               compatibility.data(), compatibility.size(), nullptr);
  const DWORD count = *reinterpret_cast<const DWORD*>(compatibility.data());
  if (count != 4 || !Names(compatibility, kWindows7) || !Names(compatibility, kWindows10And11)) {
    return fail("supportedOS, Windows 7, 8, 8.1 and 10/11", std::to_wstring(count) + L" entries");
  }
  ReleaseActCtx(context);
  std::printf("PASS: %ls: %ls, asInvoker, Windows 7 to 11\n", program, awareness.c_str());
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool all = argc > 1;
  for (int i = 1; i < argc; ++i) all = Check(argv[i]) && all;
  return all ? 0 : 1;
}
