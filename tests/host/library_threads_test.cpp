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
// (the merge waiting for its button, the background and the vignetting for
// clicks) has made none, and the host unloading the library ends the pool
// then. The point-picking tools' openings copy the image on a thread of
// their own, ended before the opening returns.
TEST(LibraryThreads, NoneOutlivesARunOrTheLibrary) {
  const int32_t w = golden::kThreadedWidth, h = golden::kThreadedHeight;
  const struct {
    const char* what;
    int32_t tool;
    bool secondImage;  // the merge's, whose new image's block the pool touches
  } cases[] = {
      {"a run of the noise reduction", MOLVANE_TOOL_NOISE_REDUCTION, false},
      {"the library unloaded with the merge open on two images", MOLVANE_TOOL_MERGE, true},
      {"the library unloaded with the background tool open", MOLVANE_TOOL_BACKGROUND, false},
      {"the library unloaded with the vignetting tool open", MOLVANE_TOOL_VIGNETTING, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TwoPoolThreads two;
    FreshRecorder(0x7EAD);
    TPtsImg image = FilledImage(w, h, Pixel24{90, 120, 150});
    const int before = ThreadCount();
    RunTool(c.tool, MOLVANE_PHASE_OPEN, image, w, h);
    if (c.tool == MOLVANE_TOOL_NOISE_REDUCTION) {
      EXPECT_EQ(ThreadCountSettling(before), before);
      continue;
    }
    if (c.secondImage) {
      TPtsImg second = FilledImage(w, h, Pixel24{10, 20, 30});
      RunTool(c.tool, MOLVANE_PHASE_CONTINUE, second, w, h);
      ASSERT_GT(ThreadCount(), before) << "the pool did not start: nothing to see";
    } else {
      EXPECT_EQ(ThreadCountSettling(before), before) << "the opening's copy outlived it";
    }
    Plugin().Unload();
    EXPECT_EQ(ThreadCountSettling(before), before);
  }
}

}  // namespace
}  // namespace molvane::hosttest
