// Undo and redo of an image's pixels, every image's history held within one budget of bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "colour/pixel.h"
#include "host/viewer/pixel_rect.h"
#include "host/viewer/spare_block.h"

namespace molvane::viewer {

// The smallest rectangle holding every pixel where `a` and `b` (width x height each) differ.
PixelRect DifferingRect(const Pixel24* a, const Pixel24* b, int32_t width, int32_t height);

class UndoHistory;

// The bytes every history may keep together, with the spare block kept for
// the next tool run's copy. When a new step does not fit, the spare block
// goes first, then the oldest steps of all images; a spare block is made or
// kept only in the room the steps leave.
class UndoBudget {
 public:
  explicit UndoBudget(size_t limit) : limit_(limit) {}
  UndoBudget(const UndoBudget&) = delete;
  UndoBudget& operator=(const UndoBudget&) = delete;

  size_t Limit() const { return limit_; }
  // The steps' bytes.
  size_t Used() const { return used_; }
  // The steps' bytes and the spare block's.
  size_t Held() const { return used_ + spare_.Bytes(); }
  // A run's copy of `count` pixels from `pixels`, into the spare block when it has that size.
  std::vector<Pixel24> CopyIntoSpare(const Pixel24* pixels, size_t count);
  // Touches a spare block of `count` pixels in the background, when it fits
  // and no run holds its copy (the run's peak memory stays as it was).
  void PrepareSpare(size_t count);
  // The run's copy once the run ended: the spare block, when it fits; empty when an undo step took it.
  void GiveBackSpare(std::vector<Pixel24>&& block);
  // Steps dropped to make room since the count was last taken.
  int TakeDroppedCount();

 private:
  friend class UndoHistory;
  // Drops the oldest steps until `bytes` more fit; false when they never can.
  bool MakeRoom(size_t bytes);
  uint64_t NextStamp() { return ++clock_; }

  size_t limit_;
  size_t used_ = 0;
  SpareBlock spare_;
  bool copyOut_ = false;
  uint64_t clock_ = 0;
  int dropped_ = 0;
  std::vector<UndoHistory*> histories_;
};

// Exchanges an image's whole pixels and size with `pixels` (width x height):
// the image takes them, they take the image's. False, with nothing changed,
// when memory lacks.
using WholeImageSwap = std::function<bool(std::vector<Pixel24>& pixels, int32_t& width, int32_t& height)>;

// One image's steps. A step holds the pixels of the rectangle a change
// touched, as they were on the other side of the change: undo and redo swap
// them with the image's, so going back and forth needs no memory. A change
// of size (a quarter turn, a crop) is a whole-image step: the whole image on
// the other side, at its size, swapped through the image's WholeImageSwap.
class UndoHistory {
 public:
  explicit UndoHistory(UndoBudget& budget);
  ~UndoHistory();
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // `pixels` (width x height) now hold a change made from `before`, which
  // was the state numbered `beforeState`. Keeps one undo step and clears
  // what could be redone; false when nothing differs. When even an empty
  // budget cannot hold the step, the change is kept without any step and
  // the history is emptied, since older steps would no longer apply.
  bool Keep(std::vector<Pixel24>&& before, const Pixel24* pixels, int32_t width, int32_t height,
            uint64_t beforeState);
  // The image is about to be replaced whole by one of any size; `before`
  // (width x height) is the whole image now, the state numbered
  // `beforeState`; `partKept`: where the new image lies in it when it is a
  // part of it (a crop), else empty. One undo step, as Keep, with the
  // budget's rules.
  void KeepWhole(std::vector<Pixel24>&& before, int32_t width, int32_t height, uint64_t beforeState,
                 const PixelRect& partKept = {});
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Swaps the last step into `pixels` and `state` (the number of the
  // pixels' state) with the step's, a whole-image step through `swapWhole`;
  // false when there is none or the swap failed.
  bool Undo(Pixel24* pixels, int32_t width, uint64_t& state, const WholeImageSwap& swapWhole = nullptr) {
    return Move(undo_, redo_, pixels, width, state, swapWhole);
  }
  bool Redo(Pixel24* pixels, int32_t width, uint64_t& state, const WholeImageSwap& swapWhole = nullptr) {
    return Move(redo_, undo_, pixels, width, state, swapWhole);
  }
  // The image as it was before the last step (`pixels` is the image now,
  // width x height), and where the image now lies in it (a crop's part, or
  // the whole); false without one.
  bool Previous(const Pixel24* pixels, int32_t width, int32_t height, std::vector<Pixel24>& out, int32_t& outWidth,
                int32_t& outHeight, PixelRect& now) const;
  size_t Bytes() const;
  UndoBudget& Budget() const { return budget_; }

 private:
  friend class UndoBudget;
  struct Step {
    PixelRect rect;  // for a whole-image step, (0, 0) and the size of the image it holds
    std::vector<Pixel24> pixels;
    uint64_t state;
    uint64_t stamp;
    bool whole = false;
    // A whole-image step that cut the image down: where the part kept lies
    // in the whole image the step holds before undo (empty otherwise).
    PixelRect partKept;
  };
  void Push(Step&& step, std::vector<Pixel24>&& before, int32_t width);
  bool Move(std::vector<Step>& from, std::vector<Step>& to, Pixel24* pixels, int32_t width, uint64_t& state,
            const WholeImageSwap& swapWhole);
  // The step the budget would drop first here, or null.
  const Step* Oldest() const;
  void DropOldest();
  void Clear(std::vector<Step>& steps);

  UndoBudget& budget_;
  std::vector<Step> undo_;
  std::vector<Step> redo_;
};

}  // namespace molvane::viewer
