// Undo steps as changed rectangles, within one budget for every image.
#include "host/viewer/undo_history.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/row_pool.h"

namespace molvane::viewer {
namespace {

constexpr size_t kChunk = 64;

// The first byte where `a` and `b` differ, or `n`: memcmp over chunks finds
// the chunk at memory speed, a byte loop the place inside it.
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t n) {
  size_t i = 0;
  while (i + kChunk <= n && std::memcmp(a + i, b + i, kChunk) == 0) i += kChunk;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// One past the last byte where `a` and `b` differ, or 0.
size_t EndOfDifference(const uint8_t* a, const uint8_t* b, size_t n) {
  size_t i = n;
  while (i >= kChunk && std::memcmp(a + i - kChunk, b + i - kChunk, kChunk) == 0) i -= kChunk;
  while (i > 0 && a[i - 1] == b[i - 1]) --i;
  return i;
}

const uint8_t* Row(const Pixel24* pixels, int32_t width, int32_t y) {
  return reinterpret_cast<const uint8_t*>(pixels + size_t(y) * size_t(width));
}

// Exchanges the rectangle's pixels in the image with those kept in the step.
// Byte blocks through a small buffer: three memcpy calls go many times faster
// than swapping three-byte pixels one by one; the rows split over the row pool.
void SwapRect(Pixel24* image, int32_t width, const PixelRect& rect, std::vector<Pixel24>& kept) {
  const size_t rowBytes = size_t(rect.width) * sizeof(Pixel24);
  SplitOverThreads(rect.height, 1, kParallelPixels / std::max<int64_t>(1, rect.width), [&](int64_t begin, int64_t end) {
    uint8_t buffer[16384];
    for (int64_t row = begin; row < end; ++row) {
      auto* line = reinterpret_cast<uint8_t*>(image + size_t(rect.y + row) * size_t(width) + size_t(rect.x));
      auto* held = reinterpret_cast<uint8_t*>(kept.data() + size_t(row) * size_t(rect.width));
      for (size_t done = 0; done < rowBytes; done += sizeof buffer) {
        const size_t n = std::min(sizeof buffer, rowBytes - done);
        std::memcpy(buffer, line + done, n);
        std::memcpy(line + done, held + done, n);
        std::memcpy(held + done, buffer, n);
      }
    }
  });
}

}  // namespace

PixelRect DifferingRect(const Pixel24* a, const Pixel24* b, int32_t width, int32_t height) {
  const size_t rowBytes = size_t(width) * sizeof(Pixel24);
  auto rowDiffers = [&](int32_t y) { return std::memcmp(Row(a, width, y), Row(b, width, y), rowBytes) != 0; };
  int32_t top = 0;
  while (top < height && !rowDiffers(top)) ++top;
  if (top == height) return {};
  int32_t bottom = height - 1;
  while (!rowDiffers(bottom)) --bottom;

  // Each row is searched only outside the columns already known to differ.
  size_t left = rowBytes;
  size_t right = 0;
  for (int32_t y = top; y <= bottom; ++y) {
    const uint8_t* rowA = Row(a, width, y);
    const uint8_t* rowB = Row(b, width, y);
    left = FirstDifference(rowA, rowB, left);
    if (right < rowBytes) right += EndOfDifference(rowA + right, rowB + right, rowBytes - right);
  }
  const auto first = int32_t(left / sizeof(Pixel24));
  const auto last = int32_t((right - 1) / sizeof(Pixel24));
  return {first, top, last - first + 1, bottom - top + 1};
}

int UndoBudget::TakeDroppedCount() {
  const int dropped = dropped_;
  dropped_ = 0;
  return dropped;
}

std::vector<Pixel24> UndoBudget::CopyIntoSpare(const Pixel24* pixels, size_t count) {
  copyOut_ = true;
  std::vector<Pixel24> copy = spare_.Take(count);
  if (copy.size() != count) return std::vector<Pixel24>(pixels, pixels + count);
  std::memcpy(copy.data(), pixels, count * sizeof(Pixel24));
  return copy;
}

void UndoBudget::PrepareSpare(size_t count) {
  if (!copyOut_ && used_ + count * sizeof(Pixel24) <= limit_) spare_.Prepare(count);
}

void UndoBudget::GiveBackSpare(std::vector<Pixel24>&& block) {
  copyOut_ = false;
  if (used_ + block.size() * sizeof(Pixel24) <= limit_) spare_.GiveBack(std::move(block));
}

bool UndoBudget::MakeRoom(size_t bytes) {
  if (bytes > limit_) return false;
  if (Held() + bytes > limit_) spare_.Release();
  while (used_ + bytes > limit_) {
    UndoHistory* oldest = nullptr;
    for (UndoHistory* history : histories_) {
      const UndoHistory::Step* step = history->Oldest();
      if (step && (!oldest || step->stamp < oldest->Oldest()->stamp)) oldest = history;
    }
    if (!oldest) return false;
    oldest->DropOldest();
    ++dropped_;
  }
  return true;
}

UndoHistory::UndoHistory(UndoBudget& budget) : budget_(budget) { budget_.histories_.push_back(this); }

UndoHistory::~UndoHistory() {
  Clear(undo_);
  Clear(redo_);
  auto& histories = budget_.histories_;
  histories.erase(std::remove(histories.begin(), histories.end(), this), histories.end());
}

bool UndoHistory::Keep(std::vector<Pixel24>&& before, const Pixel24* pixels, int32_t width, int32_t height,
                       uint64_t beforeState) {
  if (width <= 0 || height <= 0 || before.size() != size_t(width) * size_t(height)) return false;
  const PixelRect rect = DifferingRect(before.data(), pixels, width, height);
  if (rect.Empty()) return false;
  Push(Step{rect, {}, beforeState, 0}, std::move(before), width);
  return true;
}

void UndoHistory::KeepWhole(std::vector<Pixel24>&& before, int32_t width, int32_t height, uint64_t beforeState,
                            const PixelRect& partKept) {
  Step step{PixelRect{0, 0, width, height}, {}, beforeState, 0};
  step.whole = true;
  step.partKept = partKept;
  Push(std::move(step), std::move(before), width);
}

// Keeps the step with `before`'s pixels of its rectangle, within the budget.
void UndoHistory::Push(Step&& step, std::vector<Pixel24>&& before, int32_t width) {
  // What could be redone leaves from a state that is gone.
  Clear(redo_);
  const PixelRect& rect = step.rect;
  const size_t bytes = rect.Area() * sizeof(Pixel24);
  if (!budget_.MakeRoom(bytes)) {
    Clear(undo_);
    ++budget_.dropped_;
    return;
  }
  step.stamp = budget_.NextStamp();
  try {
    if (rect.Area() == before.size()) {
      step.pixels = std::move(before);
    } else {
      step.pixels.resize(rect.Area());
      CopyOut(before.data(), width, rect, step.pixels.data());
    }
    undo_.push_back(std::move(step));
  } catch (const std::bad_alloc&) {
    // The address space is fuller than the budget thought: no step, and none older.
    Clear(undo_);
    ++budget_.dropped_;
    return;
  }
  budget_.used_ += bytes;
}

bool UndoHistory::Move(std::vector<Step>& from, std::vector<Step>& to, Pixel24* pixels, int32_t width,
                       uint64_t& state, const WholeImageSwap& swapWhole) {
  if (from.empty() || (from.back().whole && !swapWhole)) return false;
  try {
    to.reserve(to.size() + 1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  Step& last = from.back();
  if (last.whole) {
    const size_t held = last.pixels.size() * sizeof(Pixel24);
    if (!swapWhole(last.pixels, last.rect.width, last.rect.height)) return false;
    // The step now holds the image of the other side, which may be larger or smaller.
    budget_.used_ = budget_.used_ - held + last.pixels.size() * sizeof(Pixel24);
  } else {
    SwapRect(pixels, width, last.rect, last.pixels);
  }
  Step step = std::move(last);
  from.pop_back();
  std::swap(step.state, state);
  to.push_back(std::move(step));
  return true;
}

bool UndoHistory::Previous(const Pixel24* pixels, int32_t width, int32_t height, std::vector<Pixel24>& out,
                           int32_t& outWidth, int32_t& outHeight, PixelRect& now) const {
  if (undo_.empty()) return false;
  const Step& last = undo_.back();
  if (last.whole) {
    out = last.pixels;
    outWidth = last.rect.width, outHeight = last.rect.height;
    now = last.partKept.Empty() ? PixelRect{0, 0, outWidth, outHeight} : last.partKept;
    return true;
  }
  out.assign(pixels, pixels + size_t(width) * size_t(height));
  CopyIn(last.pixels.data(), last.rect, out.data(), width);
  outWidth = width, outHeight = height;
  now = PixelRect{0, 0, width, height};
  return true;
}

size_t UndoHistory::Bytes() const {
  size_t bytes = 0;
  for (const auto* steps : {&undo_, &redo_})
    for (const Step& step : *steps) bytes += step.pixels.size() * sizeof(Pixel24);
  return bytes;
}

const UndoHistory::Step* UndoHistory::Oldest() const {
  // The first undo step is the farthest back; with none, the last redo step is the farthest ahead.
  if (!undo_.empty()) return &undo_.front();
  return redo_.empty() ? nullptr : &redo_.front();
}

void UndoHistory::DropOldest() {
  std::vector<Step>& steps = undo_.empty() ? redo_ : undo_;
  budget_.used_ -= steps.front().pixels.size() * sizeof(Pixel24);
  steps.erase(steps.begin());
}

void UndoHistory::Clear(std::vector<Step>& steps) {
  for (const Step& step : steps) budget_.used_ -= step.pixels.size() * sizeof(Pixel24);
  steps.clear();
  steps.shrink_to_fit();
}

}  // namespace molvane::viewer
