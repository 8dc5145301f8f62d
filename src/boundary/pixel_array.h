// TPtsImg: the reference-counted array of 24-bit pixels that host and plug-in share.
#pragma once

#include <cstdint>

#include "colour/pixel.h"

namespace molvane {

// Block layout, fixed because the host reads and writes it too:
//   handle - 8  int32  reference count (number of holders)
//   handle - 4  int32  element count
//   handle + 0  Pixel24 elements, contiguous, row after row, top row first
// The handle is the address of the first pixel; null is the empty array.
// Blocks are allocated, grown and freed only through ModuleAllocator(), and
// the holder that drops the count to zero frees the block. Copying a TPtsImg
// shares the block (one more reference); writes are seen by every holder.
struct ArrayHeader {
  int32_t refCount;
  int32_t length;
};
static_assert(sizeof(ArrayHeader) == 8, "the count and length sit at -8 and -4");

class TPtsImg {
 public:
  TPtsImg() = default;
  // A new block of `count` zeroed pixels with one reference (this one).
  explicit TPtsImg(int32_t count);
  // A new block of `count` pixels with one reference, not zeroed: for a
  // caller that writes every pixel before anyone reads one (a new image, a
  // copy), where zeroing 36 MB first would only cost time.
  static TPtsImg Uninitialised(int32_t count);
  // One more reference on a block received from elsewhere (null: empty).
  static TPtsImg Share(Pixel24* handle);

  TPtsImg(const TPtsImg& other);
  TPtsImg(TPtsImg&& other) noexcept;
  TPtsImg& operator=(const TPtsImg& other);
  TPtsImg& operator=(TPtsImg&& other) noexcept;
  ~TPtsImg() { Reset(); }

  Pixel24* Handle() const { return handle_; }
  Pixel24* Data() const { return handle_; }
  int32_t Length() const { return handle_ ? Header(handle_)->length : 0; }
  int32_t RefCount() const { return handle_ ? Header(handle_)->refCount : 0; }
  bool Empty() const { return handle_ == nullptr; }
  Pixel24& operator[](int32_t i) const { return handle_[i]; }

  // Resizes to `count` pixels, keeping the first ones and zeroing new ones. A
  // block shared with other holders is copied first, so they keep theirs.
  void SetLength(int32_t count);
  // A private block holding the same pixels.
  TPtsImg Copy() const;
  // Drops this reference, freeing the block if it was the last.
  void Reset();

  static int32_t RefCountOf(const Pixel24* handle) { return handle ? Header(handle)->refCount : 0; }

 private:
  static ArrayHeader* Header(const Pixel24* handle) {
    return reinterpret_cast<ArrayHeader*>(
        reinterpret_cast<uintptr_t>(handle) - sizeof(ArrayHeader));
  }
  Pixel24* handle_ = nullptr;
};

}  // namespace molvane
