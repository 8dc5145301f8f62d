// The order in which the library's modules initialise and finalise.
#include "boundary/library.h"

#include "boundary/menu_table.h"
#include "boundary/shared_heap.h"
#include "boundary/tool_table.h"
#include "platform/row_pool.h"

namespace molvane {

bool LibraryInitialize() noexcept {
  try {
    if (!SharedHeapInitialize()) return false;
  } catch (...) {
    return false;
  }
  size_t started = 0;
  try {
    for (const ToolEntry& tool : Tools()) {
      if (tool.initialize) tool.initialize();
      ++started;
    }
    MenuTableInitialize();
    return true;
  } catch (...) {
    // A module that cannot start (no memory for a dialog): what started
    // ends, and the library refuses to load.
    const ToolTable tools = Tools();
    while (started > 0) {
      const ToolEntry& tool = tools.entries[--started];
      if (tool.finalize) tool.finalize();
    }
    SharedHeapFinalize();
    return false;
  }
}

void LibraryFinalize() noexcept {
  MenuTableFinalize();
  const ToolTable tools = Tools();
  for (size_t i = tools.count; i > 0; --i) {
    const ToolEntry& tool = tools.entries[i - 1];
    if (tool.finalize) tool.finalize();
  }
  // A tool still open when the host unloads the library has made no final
  // callback, which ends the pool otherwise.
  EndPoolAtUnload();
  SharedHeapFinalize();
}

}  // namespace molvane
