// The DLL's entry point. The library keeps no state, so loading, unloading and the thread
// notifications have nothing to set up or tear down.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
