// Undo steps as changed rectangles, within one budget for every image.
#include "host/viewer/undo_history.h"

#include <algorithm>
#include <cstring>
#include <new>

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
void SwapRect(Pixel24* image, int32_t width, const PixelRect& rect, std::vector<Pixel24>& kept) {
  for (int32_t row = 0; row < rect.height; ++row) {
    Pixel24* line = image + size_t(rect.y + row) * size_t(width) + size_t(rect.x);
    std::swap_ranges(line, line + rect.width, kept.begin() + ptrdiff_t(size_t(row) * size_t(rect.width)));
  }
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

bool UndoBudget::MakeRoom(size_t bytes) {
  if (bytes > limit_) return false;
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
  Add(rect.Area() * sizeof(Pixel24), [&] {
    Step step{rect, {}, beforeState, budget_.NextStamp()};
    if (rect.Area() == before.size()) {
      step.pixels = std::move(before);
    } else {
      step.pixels.resize(rect.Area());
      CopyOut(before.data(), width, rect, step.pixels.data());
    }
    return step;
  });
  return true;
}

bool UndoHistory::KeepCrop(std::vector<Pixel24>&& before, int32_t fullWidth, int32_t fullHeight,
                           const PixelRect& kept, uint64_t beforeState) {
  if (fullWidth <= 0 || fullHeight <= 0 || before.size() != size_t(fullWidth) * size_t(fullHeight) ||
      !(ClippedTo(kept, fullWidth, fullHeight) == kept) || kept.Empty())
    return false;
  Add(before.size() * sizeof(Pixel24),
      [&] { return Step{kept, std::move(before), beforeState, budget_.NextStamp(), fullWidth, fullHeight}; });
  return true;
}

void UndoHistory::Add(size_t bytes, const std::function<Step()>& make) {
  // What could be redone leaves from a state that is gone.
  Clear(redo_);
  if (!budget_.MakeRoom(bytes)) {
    Clear(undo_);
    ++budget_.dropped_;
    return;
  }
  try {
    undo_.push_back(make());
  } catch (const std::bad_alloc&) {
    // The address space is fuller than the budget thought: no step, and none older.
    Clear(undo_);
    ++budget_.dropped_;
    return;
  }
  budget_.used_ += bytes;
}

bool UndoHistory::Move(std::vector<Step>& from, std::vector<Step>& to, bool undoing, Pixel24* pixels, int32_t width,
                       uint64_t& state, const Reshape& reshape) {
  if (from.empty()) return false;
  try {
    to.reserve(to.size() + 1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  Step& last = from.back();
  if (last.Crop()) {
    // Undoing gives the whole image back; redoing cuts it again from the same pixels.
    Pixel24* next = reshape ? (undoing ? reshape(last.fullWidth, last.fullHeight)
                                       : reshape(last.rect.width, last.rect.height))
                            : nullptr;
    if (!next) return false;
    if (undoing) std::copy(last.pixels.begin(), last.pixels.end(), next);
    else CopyOut(pixels, width, last.rect, next);
  }
  Step step = std::move(last);
  from.pop_back();
  if (!step.Crop()) SwapRect(pixels, width, step.rect, step.pixels);
  std::swap(step.state, state);
  to.push_back(std::move(step));
  return true;
}

bool UndoHistory::Previous(const Pixel24* pixels, int32_t width, int32_t height, std::vector<Pixel24>& out,
                           int32_t& outWidth, int32_t& outHeight, PixelRect& now) const {
  if (undo_.empty()) return false;
  const Step& last = undo_.back();
  if (last.Crop()) {
    out = last.pixels;
    outWidth = last.fullWidth, outHeight = last.fullHeight;
    now = last.rect;
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
