// The host's allocator: the C runtime heap behind the shared table, counting what is live.
#pragma once

#include <cstddef>
#include <cstdint>

#include "boundary/allocator.h"

namespace molvane::host {

// What the allocator has seen since the process started. Every module that
// joined the shared record allocates through it, so these counts cover the
// host and the plug-in alike.
struct AllocatorStatistics {
  int32_t liveBlocks;
  int64_t liveBytes;
  int32_t allocateCalls;
  int32_t freeCalls;
  int32_t reallocateCalls;
  // Frees and reallocations of blocks this allocator never handed out (or
  // already took back); they are refused, not passed on to the heap.
  int32_t foreignBlockCalls;
  // The block the last Allocate or Reallocate returned, and its size.
  uintptr_t lastBlock;
  int32_t lastBlockSize;
  // Frees and reallocations of blocks named to Watch (each counted once).
  int32_t watchedBlocksFreed;
};

// Reading the allocator from another module of the process (the test DLL):
// plain functions, so a caller needs no copy of this code.
struct AllocatorProbe {
  AllocatorStatistics (*Statistics)();
  // The size of a live block this allocator handed out; -1 for any other address.
  int32_t (*BlockSize)(const void* block);
  AllocatorTable (*Table)();
  // Names a live block whose free shall be counted in watchedBlocksFreed, so a
  // host can tell that another module freed a block it gave away, whatever
  // address later allocations reuse. False for an address not live here.
  bool (*Watch)(const void* block);
};

// The entry points, in the register convention of the shared record.
AllocatorTable CountingAllocatorTable();
AllocatorStatistics CountingAllocatorStatistics();
int32_t CountingAllocatorBlockSize(const void* block);
bool CountingAllocatorWatch(const void* block);
const AllocatorProbe& CountingAllocatorProbe();

}  // namespace molvane::host
