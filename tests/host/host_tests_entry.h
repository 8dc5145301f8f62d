// The entry the launcher calls, and what it hands over.
#pragma once

#include <string>

#include "host/counting_allocator.h"

// Runs the tests with the launcher's arguments (GoogleTest's own flags, and
// --data-dir=FOLDER). Joins the shared allocator record for the run.
extern "C" __declspec(dllexport) int RunHostTests(int argc, char** argv,
                                                  const molvane::host::AllocatorProbe* allocator);

namespace molvane::hosttest {
const host::AllocatorProbe* LauncherAllocator();
const std::string& DataFolderArgument();
}  // namespace molvane::hosttest
