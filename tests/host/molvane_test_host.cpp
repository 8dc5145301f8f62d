// molvane_test_host.exe: the host side for host_tests.dll.
//
// Imports only kernel32 and the C runtime, creates the shared allocator record
// with the counting allocator before anything loads user32, then loads the
// test library beside it and runs it with this program's arguments.
#include <cstdio>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/counting_allocator.h"
#include "host/plugin_library.h"
#include "host/shared_record.h"

namespace {

using RunHostTestsFn = int (*)(int, char**, const molvane::host::AllocatorProbe*);

// Ends the process without running any module's unload code: used when the
// record cannot be left cleanly, so that the exit code stays ours.
[[noreturn]] void Abandon(const std::string& message, UINT code) {
  std::fprintf(stderr, "molvane_test_host: %s\n", message.c_str());
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), code);
  for (;;) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace molvane::host;
  std::string error;
  if (!StartSharedAllocator(error)) Abandon(error, 2);
  const AllocatorStatistics atStart = CountingAllocatorStatistics();

  const std::string path = ModuleFolder(reinterpret_cast<const void*>(&Abandon)) + "host_tests.dll";
  HMODULE tests = LoadLibraryA(path.c_str());
  if (!tests) Abandon("cannot load " + path + ", error " + std::to_string(GetLastError()), 2);
  auto run = reinterpret_cast<RunHostTestsFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(tests, "RunHostTests")));
  if (!run) Abandon(path + " has no RunHostTests", 2);

  // host_tests.dll stays loaded: GoogleTest leaves a thread in it that waits
  // for another thread to end and may wake at any moment until the process
  // does; in an unloaded library it would fault, and the debugger Wine then
  // starts keeps ctest waiting.
  int result = run(argc, argv, &CountingAllocatorProbe());

  const AllocatorStatistics atEnd = CountingAllocatorStatistics();
  if (atEnd.liveBlocks != atStart.liveBlocks) {
    std::fprintf(stderr, "molvane_test_host: %d block(s), %lld byte(s) of the shared allocator leaked\n",
                 int(atEnd.liveBlocks - atStart.liveBlocks),
                 (long long)(atEnd.liveBytes - atStart.liveBytes));
    if (result == 0) result = 1;
  }
  if (atEnd.foreignBlockCalls != atStart.foreignBlockCalls) {
    std::fprintf(stderr, "molvane_test_host: %d free(s) of blocks the shared allocator never handed out\n",
                 int(atEnd.foreignBlockCalls - atStart.foreignBlockCalls));
    if (result == 0) result = 1;
  }
  // Leaving the record while a module still uses it would end the process
  // with code 0 and hide a failure.
  if (!StopSharedAllocator(error)) Abandon(error, 3);
  return result;
}
