// The library's entry point: module set-up at load, tear-down at unload.
#include <windows.h>

#include "boundary/library.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      ::DisableThreadLibraryCalls(instance);
      // A failed handshake has shown its box; refusing the load leaves the
      // host running with its data instead of ending its process.
      return molvane::LibraryInitialize() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      molvane::LibraryFinalize();
      break;
    default:
      break;
  }
  return TRUE;
}
