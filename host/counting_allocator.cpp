// The host's counting allocator.
#include "host/counting_allocator.h"

#include <cstdlib>
#include <unordered_map>
#include <unordered_set>

namespace molvane::host {
namespace {

// Any thread of the process may allocate, and a static mutex is not available
// with every MinGW threading model: a spin lock is enough for these short
// sections.
class SpinLock {
 public:
  void lock() {
    while (__atomic_test_and_set(&flag_, __ATOMIC_ACQUIRE)) {
    }
  }
  void unlock() { __atomic_clear(&flag_, __ATOMIC_RELEASE); }

 private:
  bool flag_ = false;
};

struct State {
  SpinLock lock;
  AllocatorStatistics statistics{};
  // Every live block and its size: lets a free tell our blocks from others.
  std::unordered_map<const void*, int32_t> blocks;
  std::unordered_set<const void*> watched;
};

State& TheState() {
  static State* state = new State;  // never destroyed: modules may free late
  return *state;
}

class Locked {
 public:
  Locked() : state_(TheState()) { state_.lock.lock(); }
  ~Locked() { state_.lock.unlock(); }
  State* operator->() { return &state_; }

 private:
  State& state_;
};

void Remember(Locked& state, void* block, int32_t size) {
  state->blocks[block] = size;
  state->statistics.liveBlocks += 1;
  state->statistics.liveBytes += size;
  state->statistics.lastBlock = reinterpret_cast<uintptr_t>(block);
  state->statistics.lastBlockSize = size;
}

// Takes a block out of the books; false when it is not one of ours.
bool Forget(Locked& state, void* block) {
  auto found = state->blocks.find(block);
  if (found == state->blocks.end()) {
    state->statistics.foreignBlockCalls += 1;
    return false;
  }
  state->statistics.liveBlocks -= 1;
  state->statistics.liveBytes -= found->second;
  state->blocks.erase(found);
  if (state->watched.erase(block) > 0) state->statistics.watchedBlocksFreed += 1;
  return true;
}

void* MOLVANE_REGISTER_CALL CountingAllocate(int32_t size) {
  Locked state;
  state->statistics.allocateCalls += 1;
  if (size <= 0) return nullptr;
  void* block = std::malloc(size_t(size));
  if (block) Remember(state, block, size);
  return block;
}

int32_t MOLVANE_REGISTER_CALL CountingFree(void* block) {
  Locked state;
  state->statistics.freeCalls += 1;
  if (!block) return 0;
  if (!Forget(state, block)) return 1;
  std::free(block);
  return 0;
}

void* MOLVANE_REGISTER_CALL CountingReallocate(void* block, int32_t size) {
  Locked state;
  state->statistics.reallocateCalls += 1;
  if (!block) {
    if (size <= 0) return nullptr;
    void* fresh = std::malloc(size_t(size));
    if (fresh) Remember(state, fresh, size);
    return fresh;
  }
  const auto found = state->blocks.find(block);
  if (found == state->blocks.end()) {
    state->statistics.foreignBlockCalls += 1;
    return nullptr;
  }
  const int32_t oldSize = found->second;
  Forget(state, block);
  if (size <= 0) {
    std::free(block);
    return nullptr;
  }
  void* moved = std::realloc(block, size_t(size));
  // A failed realloc leaves the old block valid and still ours.
  if (moved) Remember(state, moved, size);
  else Remember(state, block, oldSize);
  return moved;
}

}  // namespace

AllocatorTable CountingAllocatorTable() {
  return {CountingAllocate, CountingFree, CountingReallocate};
}

AllocatorStatistics CountingAllocatorStatistics() {
  Locked state;
  return state->statistics;
}

int32_t CountingAllocatorBlockSize(const void* block) {
  Locked state;
  auto found = state->blocks.find(block);
  return found == state->blocks.end() ? -1 : found->second;
}

bool CountingAllocatorWatch(const void* block) {
  Locked state;
  if (state->blocks.find(block) == state->blocks.end()) return false;
  state->watched.insert(block);
  return true;
}

const AllocatorProbe& CountingAllocatorProbe() {
  static const AllocatorProbe probe{CountingAllocatorStatistics, CountingAllocatorBlockSize,
                                    CountingAllocatorTable, CountingAllocatorWatch};
  return probe;
}

}  // namespace molvane::host
