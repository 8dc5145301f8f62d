// A block of pixels whose pages are already touched, kept for the copy of an image taken before a tool run.
//
// The first touch of a fresh block the size of a 24-megapixel image costs
// more in page faults than the copy itself. This block is touched on a
// low-priority thread while the viewer waits, and a run's copy that no undo
// step kept comes back to it, so that the next run's copy goes at memory speed.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <vector>

#include "colour/pixel.h"

namespace molvane::viewer {

class SpareBlock {
 public:
  SpareBlock() = default;
  ~SpareBlock() { Release(); }
  SpareBlock(const SpareBlock&) = delete;
  SpareBlock& operator=(const SpareBlock&) = delete;

  // Starts touching a block of `count` pixels in the background, unless one of that size is held or on its way.
  void Prepare(size_t count);
  // The block when it holds `count` pixels (waiting for its thread if it
  // still works), else an empty vector; the block is the caller's then.
  std::vector<Pixel24> Take(size_t count);
  // A block no longer needed, kept in place of the one held.
  void GiveBack(std::vector<Pixel24>&& block);
  void Release();
  // The bytes held or being touched.
  size_t Bytes() const { return count_ * sizeof(Pixel24); }

 private:
  static DWORD WINAPI Touch(void* self);
  void Wait();

  size_t count_ = 0;
  // Written by the thread alone until Wait returns.
  std::vector<Pixel24> block_;
  HANDLE thread_ = nullptr;
};

}  // namespace molvane::viewer
