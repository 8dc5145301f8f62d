// Undo and redo of an image's pixels, every image's history held within one budget of bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "colour/pixel.h"
#include "host/viewer/pixel_rect.h"

namespace molvane::viewer {

// The smallest rectangle holding every pixel where `a` and `b` (width x height each) differ.
PixelRect DifferingRect(const Pixel24* a, const Pixel24* b, int32_t width, int32_t height);

class UndoHistory;

// The bytes every history may keep together. When a new step does not fit,
// the oldest steps of all images go first.
class UndoBudget {
 public:
  explicit UndoBudget(size_t limit) : limit_(limit) {}
  UndoBudget(const UndoBudget&) = delete;
  UndoBudget& operator=(const UndoBudget&) = delete;

  size_t Limit() const { return limit_; }
  size_t Used() const { return used_; }
  // Steps dropped to make room since the count was last taken.
  int TakeDroppedCount();

 private:
  friend class UndoHistory;
  // Drops the oldest steps until `bytes` more fit; false when they never can.
  bool MakeRoom(size_t bytes);
  uint64_t NextStamp() { return ++clock_; }

  size_t limit_;
  size_t used_ = 0;
  uint64_t clock_ = 0;
  int dropped_ = 0;
  std::vector<UndoHistory*> histories_;
};

// A new array of width x height pixels that the image takes once it is
// filled (a step that changed the image's size); null when memory lacks.
using Reshape = std::function<Pixel24*(int32_t width, int32_t height)>;

// One image's steps. A step holds the pixels of the rectangle a change
// touched, as they were on the other side of the change: undo and redo swap
// them with the image's, so going back and forth needs no memory. A crop's
// step holds the whole image it was cut from.
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
  // The image, `fullWidth` x `fullHeight` in `before`, was cut down to `kept`:
  // one step that gives it back whole. Same results as Keep.
  bool KeepCrop(std::vector<Pixel24>&& before, int32_t fullWidth, int32_t fullHeight, const PixelRect& kept,
                uint64_t beforeState);
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Swaps the last step into `pixels` and `state` (the number of the
  // pixels' state) with the step's; false when there is none, or when the
  // step changes the size and `reshape` gives no new array.
  bool Undo(Pixel24* pixels, int32_t width, uint64_t& state, const Reshape& reshape = nullptr) {
    return Move(undo_, redo_, true, pixels, width, state, reshape);
  }
  bool Redo(Pixel24* pixels, int32_t width, uint64_t& state, const Reshape& reshape = nullptr) {
    return Move(redo_, undo_, false, pixels, width, state, reshape);
  }
  // The image as it was before the last step (`pixels` is the image now,
  // width x height), and where the image now lies in it (a crop's part);
  // false without one.
  bool Previous(const Pixel24* pixels, int32_t width, int32_t height, std::vector<Pixel24>& out, int32_t& outWidth,
                int32_t& outHeight, PixelRect& now) const;
  size_t Bytes() const;

 private:
  friend class UndoBudget;
  struct Step {
    PixelRect rect;  // a crop: the part kept
    std::vector<Pixel24> pixels;
    uint64_t state;
    uint64_t stamp;
    // A crop: the whole image's size; its pixels stay in the step both ways.
    int32_t fullWidth = 0;
    int32_t fullHeight = 0;
    bool Crop() const { return fullWidth > 0; }
  };
  // Keeps the step `make` gives, of `bytes`, once the budget has room; clears what could be redone.
  void Add(size_t bytes, const std::function<Step()>& make);
  static bool Move(std::vector<Step>& from, std::vector<Step>& to, bool undoing, Pixel24* pixels, int32_t width,
                   uint64_t& state, const Reshape& reshape);
  // The step the budget would drop first here, or null.
  const Step* Oldest() const;
  void DropOldest();
  void Clear(std::vector<Step>& steps);

  UndoBudget& budget_;
  std::vector<Step> undo_;
  std::vector<Step> redo_;
};

}  // namespace molvane::viewer
