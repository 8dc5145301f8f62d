// The touched block for the copy before a tool run: made on a low-priority thread, taken, given back.
#include "host/viewer/spare_block.h"

#include <utility>

namespace molvane::viewer {

DWORD WINAPI SpareBlock::Touch(void* self) {
  auto& spare = *static_cast<SpareBlock*>(self);
  try {
    // Zeroing writes every page: each is faulted in here, not in the copy.
    spare.block_.assign(spare.count_, Pixel24{});
  } catch (...) {
    spare.block_.clear();
  }
  return 0;
}

void SpareBlock::Wait() {
  if (!thread_) return;
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  if (block_.size() != count_) Release();
}

void SpareBlock::Prepare(size_t count) {
  if (count == 0 || count == count_) return;
  Release();
  count_ = count;
  thread_ = CreateThread(nullptr, 0, &SpareBlock::Touch, this, CREATE_SUSPENDED, nullptr);
  if (!thread_) return void(count_ = 0);
  SetThreadPriority(thread_, THREAD_PRIORITY_LOWEST);
  ResumeThread(thread_);
}

std::vector<Pixel24> SpareBlock::Take(size_t count) {
  if (count == 0 || count != count_) return {};
  Wait();
  count_ = 0;
  std::vector<Pixel24> block;
  block.swap(block_);
  return block;
}

void SpareBlock::GiveBack(std::vector<Pixel24>&& block) {
  if (block.empty()) return;
  Release();
  block_ = std::move(block);
  count_ = block_.size();
}

void SpareBlock::Release() {
  Wait();
  count_ = 0;
  block_.clear();
  block_.shrink_to_fit();
}

}  // namespace molvane::viewer
