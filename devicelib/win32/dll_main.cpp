#include <windows.h>

// The library has no start-up or shutdown work: every reason succeeds and nothing is done.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
