// The row pool's threads as the host sees them: none outlives a run, nor the library.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <string>

#include "golden_cases.h"
#include "host_test_support.h"

namespace molvane::hosttest {
namespace {

// The threads of this process, as the system lists them.
int ThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

// The count once it is back to `expected`, or after two seconds: a thread
// takes a moment to end once asked.
int ThreadCountSettling(int expected) {
  int count = ThreadCount();
  for (int i = 0; i < 100 && count != expected; ++i) {
    Sleep(20);
    count = ThreadCount();
  }
  return count;
}

// Two threads for the pool, whatever the machine or MOLVANE_THREADS say,
// so that one at least is the pool's own; read when the library loads.
class TwoPoolThreads {
 public:
  TwoPoolThreads() : saved_(std::getenv("MOLVANE_THREADS") ? std::getenv("MOLVANE_THREADS") : "") {
    _putenv("MOLVANE_THREADS=2");
    ReloadPlugin();
  }
  ~TwoPoolThreads() {
    _putenv(("MOLVANE_THREADS=" + saved_).c_str());
    ReloadPlugin();
  }

 private:
  std::string saved_;
};

// A run ends with its final callback, and the pool with it; a tool left open
// (the background and the vignetting wait for clicks) has made none, and the
// host unloading the library ends the pool then.
TEST(LibraryThreads, NoneOutlivesARunOrTheLibrary) {
  const int32_t w = golden::kThreadedWidth, h = golden::kThreadedHeight;
  const struct {
    const char* what;
    int32_t tool;
    bool unload;
  } cases[] = {
      {"a run of the noise reduction", MOLVANE_TOOL_NOISE_REDUCTION, false},
      {"the library unloaded with the background tool open", MOLVANE_TOOL_BACKGROUND, true},
      {"the library unloaded with the vignetting tool open", MOLVANE_TOOL_VIGNETTING, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TwoPoolThreads two;
    FreshRecorder(0x7EAD);
    TPtsImg image = FilledImage(w, h, Pixel24{90, 120, 150});
    const int before = ThreadCount();
    RunTool(c.tool, MOLVANE_PHASE_OPEN, image, w, h);
    if (c.unload) {
      ASSERT_GT(ThreadCount(), before) << "the pool did not start: nothing to see";
      Plugin().Unload();
    }
    EXPECT_EQ(ThreadCountSettling(before), before);
  }
}

}  // namespace
}  // namespace molvane::hosttest
