// An allocator table for tests that counts its calls and live blocks.
#pragma once

#include <cstdlib>

#include "boundary/allocator.h"

namespace molvane::testing {

struct AllocatorCounts {
  int allocations = 0;
  int frees = 0;
  int reallocations = 0;
  int Live() const { return allocations - frees; }
};

inline AllocatorCounts& Counts() {
  static AllocatorCounts counts;
  return counts;
}

inline void* MOLVANE_REGISTER_CALL CountingAllocate(int32_t size) {
  ++Counts().allocations;
  return std::malloc(size_t(size));
}
inline int32_t MOLVANE_REGISTER_CALL CountingFree(void* block) {
  ++Counts().frees;
  std::free(block);
  return 0;
}
inline void* MOLVANE_REGISTER_CALL CountingReallocate(void* block, int32_t size) {
  ++Counts().reallocations;
  return std::realloc(block, size_t(size));
}

// Routes ModuleAllocator() through the counting table for the scope's lifetime.
class CountingAllocatorScope {
 public:
  CountingAllocatorScope() : saved_(ModuleAllocator()) {
    Counts() = AllocatorCounts{};
    ModuleAllocator() = AllocatorTable{CountingAllocate, CountingFree, CountingReallocate};
  }
  ~CountingAllocatorScope() { ModuleAllocator() = saved_; }

 private:
  AllocatorTable saved_;
};

}  // namespace molvane::testing
