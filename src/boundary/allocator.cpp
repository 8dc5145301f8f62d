// This module's own allocator entry points and the switchable table that shared blocks use.
#include "boundary/allocator.h"

#include <cstdlib>

namespace molvane {
namespace {

void* MOLVANE_REGISTER_CALL OwnAllocate(int32_t size) {
  return size > 0 ? std::malloc(size_t(size)) : nullptr;
}

int32_t MOLVANE_REGISTER_CALL OwnFree(void* block) {
  std::free(block);
  return 0;
}

void* MOLVANE_REGISTER_CALL OwnReallocate(void* block, int32_t size) {
  if (size <= 0) {
    std::free(block);
    return nullptr;
  }
  return std::realloc(block, size_t(size));
}

}  // namespace

AllocatorTable OwnAllocator() { return {OwnAllocate, OwnFree, OwnReallocate}; }

AllocatorTable& ModuleAllocator() {
  static AllocatorTable table = OwnAllocator();
  return table;
}

}  // namespace molvane
