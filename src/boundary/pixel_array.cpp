// TPtsImg block management through the module's allocator table.
#include "boundary/pixel_array.h"

#include <cstring>
#include <new>
#include <utility>

#include "boundary/allocator.h"
#include "platform/row_pool.h"

namespace molvane {
namespace {

// Bytes of a block of `count` pixels; refuses counts the 32-bit size cannot hold.
int32_t BlockBytes(int32_t count) {
  constexpr int64_t kMax = INT32_MAX;
  int64_t bytes = int64_t(sizeof(ArrayHeader)) + int64_t(count) * int64_t(sizeof(Pixel24));
  if (count < 0 || bytes > kMax) throw std::bad_alloc();
  return int32_t(bytes);
}

Pixel24* HandleOf(void* block) {
  return reinterpret_cast<Pixel24*>(static_cast<char*>(block) + sizeof(ArrayHeader));
}

void* BlockOf(Pixel24* handle) { return reinterpret_cast<char*>(handle) - sizeof(ArrayHeader); }

Pixel24* NewBlock(int32_t count, bool zeroed = true) {
  void* block = ModuleAllocator().Allocate(BlockBytes(count));
  if (!block) throw std::bad_alloc();
  auto* header = static_cast<ArrayHeader*>(block);
  header->refCount = 1;
  header->length = count;
  Pixel24* handle = HandleOf(block);
  if (zeroed) std::memset(handle, 0, size_t(count) * sizeof(Pixel24));
  return handle;
}

}  // namespace

TPtsImg::TPtsImg(int32_t count) {
  if (count > 0) handle_ = NewBlock(count);
  else if (count < 0) throw std::bad_alloc();
}

TPtsImg TPtsImg::Uninitialised(int32_t count) {
  if (count < 0) throw std::bad_alloc();
  TPtsImg array;
  if (count > 0) array.handle_ = NewBlock(count, false);
  return array;
}

TPtsImg TPtsImg::Share(Pixel24* handle) {
  TPtsImg array;
  if (handle) {
    __atomic_add_fetch(&Header(handle)->refCount, 1, __ATOMIC_SEQ_CST);
    array.handle_ = handle;
  }
  return array;
}

TPtsImg::TPtsImg(const TPtsImg& other) : TPtsImg(Share(other.handle_)) {}

TPtsImg::TPtsImg(TPtsImg&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

TPtsImg& TPtsImg::operator=(const TPtsImg& other) {
  if (handle_ != other.handle_) *this = Share(other.handle_);
  return *this;
}

TPtsImg& TPtsImg::operator=(TPtsImg&& other) noexcept {
  if (this != &other) {
    Reset();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

void TPtsImg::Reset() {
  Pixel24* handle = std::exchange(handle_, nullptr);
  if (handle && __atomic_sub_fetch(&Header(handle)->refCount, 1, __ATOMIC_SEQ_CST) == 0)
    ModuleAllocator().Free(BlockOf(handle));
}

void TPtsImg::SetLength(int32_t count) {
  if (count == Length()) return;
  if (count <= 0) {
    if (count < 0) throw std::bad_alloc();
    Reset();
    return;
  }
  if (!handle_) {
    handle_ = NewBlock(count);
    return;
  }
  int32_t old = Length();
  if (RefCount() == 1) {
    void* block = ModuleAllocator().Reallocate(BlockOf(handle_), BlockBytes(count));
    if (!block) throw std::bad_alloc();
    handle_ = HandleOf(block);
    Header(handle_)->length = count;
    if (count > old) std::memset(handle_ + old, 0, size_t(count - old) * sizeof(Pixel24));
    return;
  }
  TPtsImg fresh(count);
  std::memcpy(fresh.handle_, handle_, size_t(count < old ? count : old) * sizeof(Pixel24));
  *this = std::move(fresh);
}

TPtsImg TPtsImg::Copy() const {
  TPtsImg copy = Uninitialised(Length());
  if (handle_) CopyOverThreads(copy.handle_, handle_, size_t(Length()) * sizeof(Pixel24));
  return copy;
}

}  // namespace molvane
