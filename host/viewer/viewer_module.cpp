// molvane_viewer_ui.dll: the viewer's window code, loaded by molvane_viewer.exe once the shared record exists.
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "boundary/shared_heap.h"
#include "host/viewer/main_frame.h"
#include "host/wide_names.h"

// Runs the viewer with the program's arguments; the result is its exit code.
extern "C" __declspec(dllexport) int RunViewer(int argc, char** argv) {
  using namespace molvane::viewer;
  // The C runtime's arguments lose what the ANSI code page lacks: the wide
  // command line gives every file name, as a path the ANSI functions open.
  int count = 0;
  std::vector<std::string> arguments;
  if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) arguments.push_back(molvane::host::AnsiPathOf(wide[i]));
    LocalFree(wide);
  }
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(&argument[0]);
  if (count == argc) argv = pointers.data();
  ViewerOptions options;
  std::string error;
  if (!ParseViewerArguments(argc, argv, options, error)) {
    MessageBoxA(nullptr, error.c_str(), "Molvane", MB_OK | MB_ICONERROR);
    return 2;
  }
  // Our pixel arrays come from the allocator the program published, as the plug-in's do.
  if (!molvane::SharedHeapInitialize()) {
    MessageBoxA(nullptr, "La mémoire partagée avec le module de traitement n'a pas pu être rejointe.", "Molvane",
                MB_OK | MB_ICONERROR);
    return 1;
  }
  int result = 1;
  {
    std::unique_ptr<MainFrame> frame = MainFrame::Create(options);
    if (frame) result = frame->Run();
  }
  molvane::SharedHeapFinalize();
  return result;
}
