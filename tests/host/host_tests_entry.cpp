// host_tests.dll: GoogleTest against the real plug-in, run by the launcher.
#include "host_tests_entry.h"

#include <cstring>

#include <gtest/gtest.h>

#include "boundary/shared_heap.h"
#include "host_test_support.h"

namespace molvane::hosttest {
namespace {

const host::AllocatorProbe* launcherAllocator = nullptr;
std::string dataFolder;

// Unloads the plug-in after the last test, while this library is still
// attached to the shared record.
class PluginEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { Plugin().Unload(); }
};

}  // namespace

const host::AllocatorProbe* LauncherAllocator() { return launcherAllocator; }
const std::string& DataFolderArgument() { return dataFolder; }

}  // namespace molvane::hosttest

extern "C" __declspec(dllexport) int RunHostTests(int argc, char** argv,
                                                  const molvane::host::AllocatorProbe* allocator) {
  using namespace molvane::hosttest;
  launcherAllocator = allocator;
  ::testing::InitGoogleTest(&argc, argv);
  const char kDataFlag[] = "--data-dir=";
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], kDataFlag, sizeof kDataFlag - 1) == 0) dataFolder = argv[i] + sizeof kDataFlag - 1;

  // This library allocates its pixel arrays through the launcher's allocator,
  // as the plug-in does.
  if (!allocator || !molvane::SharedHeapInitialize()) {
    std::fprintf(stderr, "host_tests: could not join the shared allocator record\n");
    return 1;
  }
  ::testing::AddGlobalTestEnvironment(new PluginEnvironment);
  const int result = RUN_ALL_TESTS();
  molvane::SharedHeapFinalize();
  return result;
}
