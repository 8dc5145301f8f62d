// molvane_viewer.exe: the image viewer in which a person uses the plug-in.
//
//   molvane_viewer.exe [--plugin FILE.dll] [IMAGE...]
//
// Imports only kernel32 and the C runtime: it creates the shared allocator
// record while no candidate address is taken yet, then loads its window
// code (molvane_viewer_ui.dll, which brings user32 and the rest) and hands
// it the command line. The plug-in is loaded by the window code.
#include <cstdio>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/plugin_library.h"
#include "host/shared_record.h"

namespace {

using RunViewerFn = int (*)(int, char**);

// No window code is loaded yet: a failure can only be printed.
int Fail(const std::string& message) {
  std::fprintf(stderr, "molvane_viewer: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace molvane::host;
  std::string error;
  if (!StartSharedAllocator(error)) return Fail(error);
  const std::string path = ModuleFolder(reinterpret_cast<const void*>(&Fail)) + "molvane_viewer_ui.dll";
  HMODULE ui = LoadLibraryA(path.c_str());
  if (!ui) return Fail("cannot load " + path + ", error " + std::to_string(GetLastError()));
  auto run = reinterpret_cast<RunViewerFn>(reinterpret_cast<void (*)()>(GetProcAddress(ui, "RunViewer")));
  if (!run) return Fail(path + " has no RunViewer");
  const int result = run(argc, argv);
  FreeLibrary(ui);
  if (!StopSharedAllocator(error)) {
    // Leaving a record still in use would end the process with another code.
    Fail(error);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  }
  return result;
}
