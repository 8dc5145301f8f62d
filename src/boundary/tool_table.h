// What the dispatch knows of a tool. The table itself belongs to the tools
// (tools/tool_table.cpp): the boundary names none of them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "boundary/image_run.h"

namespace molvane {

struct ToolEntry {
  int32_t number;        // its place in the menu, 1..8
  const char* caption;   // the menu item
  bool needsPixels;      // an image with a side of 0 is refused too
  void (*initialize)();  // the module's start and end; null when it has none
  void (*finalize)();
  // Every call opens the tool, unless it takes phase-1 calls: it then
  // opens at phase 0 and continues at phase 1.
  void (*open)(const ImageRun& run);
  void (*proceed)(const PhaseOneCall& call);  // null: a one-phase tool
};

// Every tool, in the order their modules start (they end in reverse).
struct ToolTable {
  const ToolEntry* entries;
  size_t count;
  const ToolEntry* begin() const { return entries; }
  const ToolEntry* end() const { return entries + count; }
};
ToolTable Tools();

}  // namespace molvane
