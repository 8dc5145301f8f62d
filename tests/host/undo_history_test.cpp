// The viewer's undo steps: changed rectangles found exactly, exact pixels back and forth, one budget for all images.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "host/viewer/undo_history.h"
#include "host_test_support.h"

namespace molvane::hosttest {
namespace {

using viewer::DifferingRect;
using viewer::PixelRect;
using viewer::UndoBudget;
using viewer::UndoHistory;

PixelRect SlowDifferingRect(const std::vector<Pixel24>& a, const std::vector<Pixel24>& b, int32_t width,
                            int32_t height) {
  int32_t left = width, top = height, right = -1, bottom = -1;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const Pixel24 p = a[size_t(y * width + x)], q = b[size_t(y * width + x)];
      if (p.r == q.r && p.g == q.g && p.b == q.b) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
  return right < 0 ? PixelRect{} : PixelRect{left, top, right - left + 1, bottom - top + 1};
}

// Changes one channel of a few pixels scattered inside `rect`, always its corners.
void ChangeInside(std::vector<Pixel24>& pixels, int32_t width, const PixelRect& rect, std::mt19937& random) {
  auto bump = [&](int32_t x, int32_t y, int channel) {
    uint8_t* bytes = &pixels[size_t(y * width + x)].b;
    bytes[channel] = uint8_t(bytes[channel] + 1 + random() % 255);
  };
  bump(rect.x, rect.y, 0);
  bump(rect.x + rect.width - 1, rect.y + rect.height - 1, 2);
  for (int i = 0; i < 5; ++i)
    bump(rect.x + int32_t(random() % uint32_t(rect.width)), rect.y + int32_t(random() % uint32_t(rect.height)),
         int(random() % 3));
}

TEST(ViewerHistory, TheChangedRectangleIsTheSlowScansOnRandomChanges) {
  std::mt19937 random(7);
  // Widths on both sides of the 64-byte chunks the search compares at once.
  for (int32_t width : {1, 3, 21, 22, 64, 150}) {
    for (int trial = 0; trial < 40; ++trial) {
      const int32_t height = 1 + int32_t(random() % 40);
      const std::vector<Pixel24> before = RandomPixels(width * height, uint32_t(trial));
      std::vector<Pixel24> after = before;
      if (trial > 0) {
        const int32_t x = int32_t(random() % uint32_t(width)), y = int32_t(random() % uint32_t(height));
        const PixelRect rect{x, y, 1 + int32_t(random() % uint32_t(width - x)),
                             1 + int32_t(random() % uint32_t(height - y))};
        ChangeInside(after, width, rect, random);
      }
      const PixelRect fast = DifferingRect(before.data(), after.data(), width, height);
      const PixelRect slow = SlowDifferingRect(before, after, width, height);
      SCOPED_TRACE(::testing::Message() << width << " x " << height << ", trial " << trial);
      EXPECT_EQ(fast.x, slow.x);
      EXPECT_EQ(fast.y, slow.y);
      EXPECT_EQ(fast.width, slow.width);
      EXPECT_EQ(fast.height, slow.height);
    }
  }
}

// An image and its history, as the viewer keeps them.
struct Image {
  Image(UndoBudget& budget, int32_t w, int32_t h, uint32_t seed)
      : width(w), height(h), pixels(RandomPixels(w * h, seed)), history(budget) {}
  // Changes `rect` and keeps the step; returns the pixels as they were.
  std::vector<Pixel24> Change(const PixelRect& rect, std::mt19937& random) {
    std::vector<Pixel24> before = pixels;
    ChangeInside(pixels, width, rect, random);
    const std::vector<Pixel24> kept = before;
    if (history.Keep(std::move(before), pixels.data(), width, height, state)) state = ++lastState;
    return kept;
  }
  // The image becomes `next` (w x h) as a crop or a quarter turn makes it.
  void Replace(std::vector<Pixel24> next, int32_t w, int32_t h) {
    history.KeepWhole(std::vector<Pixel24>(pixels), width, height, state);
    pixels = std::move(next), width = w, height = h, state = ++lastState;
  }
  bool Undo() { return history.Undo(pixels.data(), width, state, Swap()); }
  bool Redo() { return history.Redo(pixels.data(), width, state, Swap()); }
  viewer::WholeImageSwap Swap() {
    return [this](std::vector<Pixel24>& other, int32_t& w, int32_t& h) {
      std::swap(pixels, other), std::swap(width, w), std::swap(height, h);
      return true;
    };
  }

  int32_t width, height;
  std::vector<Pixel24> pixels;
  UndoHistory history;
  uint64_t state = 1, lastState = 1;
};

TEST(ViewerHistory, UndoAndRedoGiveEveryStatesExactPixelsAndANewChangeEndsRedo) {
  UndoBudget budget(size_t(1) << 30);
  std::mt19937 random(11);
  Image image(budget, 97, 61, 3);
  const PixelRect rects[] = {{0, 0, 97, 61}, {10, 5, 1, 1}, {96, 60, 1, 1}, {3, 40, 90, 2}, {0, 0, 97, 1}};
  std::vector<std::vector<Pixel24>> states;
  std::vector<uint64_t> numbers;
  for (const PixelRect& rect : rects) {
    states.push_back(image.Change(rect, random));
    numbers.push_back(image.state);
  }
  states.push_back(image.pixels);
  // Only the changed rectangles are kept: the whole image once, then the small ones.
  EXPECT_EQ(image.history.Bytes(), (97 * 61 + 1 + 1 + 90 * 2 + 97) * sizeof(Pixel24));
  EXPECT_EQ(budget.Used(), image.history.Bytes());

  for (size_t back = states.size() - 1; back-- > 0;) {
    ASSERT_TRUE(image.Undo());
    EXPECT_EQ(image.pixels, states[back]) << "after undoing to state " << back;
  }
  EXPECT_FALSE(image.Undo());
  EXPECT_EQ(image.state, 1u);
  for (size_t ahead = 1; ahead < states.size(); ++ahead) {
    ASSERT_TRUE(image.Redo());
    EXPECT_EQ(image.pixels, states[ahead]);
    EXPECT_EQ(image.state, numbers[ahead - 1]);
  }
  EXPECT_FALSE(image.Redo());

  // Two steps back, then a new change: what was undone can no longer come back.
  image.Undo();
  image.Undo();
  image.Change({5, 5, 3, 3}, random);
  EXPECT_FALSE(image.history.CanRedo());
  EXPECT_FALSE(image.Redo());
  EXPECT_EQ(budget.Used(), image.history.Bytes());
  // Nothing changed: no step.
  const std::vector<Pixel24> same = image.pixels;
  EXPECT_FALSE(image.history.Keep(std::vector<Pixel24>(same), image.pixels.data(), 97, 61, image.state));
}

// A step that changes the size (a crop) then an ordinary one on the smaller
// image: undo and redo give back each size and its pixels, and the budget
// counts what the steps hold as they swap a large image for a small one.
TEST(ViewerHistory, AWholeImageStepGivesBackTheSizeAndIsCountedBothWays) {
  UndoBudget budget(size_t(1) << 30);
  std::mt19937 random(7);
  Image image(budget, 40, 30, 4);
  const std::vector<Pixel24> opened = image.pixels;
  image.Replace(RandomPixels(10 * 5, 8), 10, 5);
  const std::vector<Pixel24> cropped = image.pixels;
  image.Change({2, 1, 3, 3}, random);
  const std::vector<Pixel24> changed = image.pixels;
  EXPECT_EQ(budget.Used(), (40 * 30 + 3 * 3) * sizeof(Pixel24));
  const struct {
    bool undo;
    int32_t width, height;
    const std::vector<Pixel24>* pixels;
  } moves[] = {{true, 10, 5, &cropped}, {true, 40, 30, &opened}, {false, 10, 5, &cropped}, {false, 10, 5, &changed}};
  for (const auto& move : moves) {
    ASSERT_TRUE(move.undo ? image.Undo() : image.Redo());
    EXPECT_EQ(image.width, move.width);
    EXPECT_EQ(image.height, move.height);
    EXPECT_TRUE(image.pixels == *move.pixels);
    EXPECT_EQ(budget.Used(), image.history.Bytes());
  }
  // Without a way to swap the whole image, the step stays where it is.
  ASSERT_TRUE(image.Undo());
  EXPECT_FALSE(image.history.Undo(image.pixels.data(), image.width, image.state));
  EXPECT_TRUE(image.history.CanUndo());
}

TEST(ViewerHistory, TheBudgetDropsTheOldestStepsOfAllImagesFirst) {
  const size_t whole = 40 * 30 * sizeof(Pixel24);
  UndoBudget budget(3 * whole);
  std::mt19937 random(5);
  Image first(budget, 40, 30, 1), second(budget, 40, 30, 2);
  const PixelRect all{0, 0, 40, 30};
  first.Change(all, random);   // oldest
  second.Change(all, random);
  first.Change(all, random);
  EXPECT_EQ(budget.TakeDroppedCount(), 0);
  const std::vector<Pixel24> secondBefore = second.Change(all, random);  // the oldest step goes
  EXPECT_EQ(budget.TakeDroppedCount(), 1);
  EXPECT_EQ(budget.Used(), 3 * whole);
  EXPECT_TRUE(first.Undo());
  EXPECT_FALSE(first.Undo()) << "the first image's oldest step should have been dropped";
  EXPECT_TRUE(second.Undo());
  EXPECT_EQ(second.pixels, secondBefore);
  EXPECT_TRUE(second.Undo());

  // A step larger than the whole budget: the change stays, without any step.
  UndoBudget small(whole / 2);
  Image large(small, 40, 30, 9);
  large.Change({0, 0, 10, 2}, random);
  ASSERT_TRUE(large.history.CanUndo());
  large.Change(all, random);
  EXPECT_FALSE(large.history.CanUndo());
  EXPECT_GT(small.TakeDroppedCount(), 0);
  EXPECT_EQ(small.Used(), 0u);
}

// Runs' copies into the spare block: exact undo although the block held an
// older copy; the block counted in the budget, and given up before any step.
TEST(ViewerHistory, CopiesIntoTheSpareBlockUndoExactlyAndGiveWayToSteps) {
  const size_t whole = 40 * 30 * sizeof(Pixel24);
  UndoBudget budget(2 * whole - 1);
  std::mt19937 random(7);
  Image image(budget, 40, 30, 4);
  const size_t count = image.pixels.size();
  budget.PrepareSpare(count);
  EXPECT_EQ(budget.Held(), whole);
  std::vector<std::vector<Pixel24>> states{image.pixels};
  for (const PixelRect& rect : {PixelRect{2, 3, 5, 4}, PixelRect{30, 20, 10, 10}}) {
    std::vector<Pixel24> before = budget.CopyIntoSpare(image.pixels.data(), count);
    EXPECT_EQ(budget.Held(), budget.Used()) << "the copy should have taken the spare block";
    budget.PrepareSpare(count);  // as a window whose copies end in the middle of the run asks
    EXPECT_EQ(budget.Held(), budget.Used()) << "no second block while the run holds its copy";
    ChangeInside(image.pixels, image.width, rect, random);
    if (image.history.Keep(std::move(before), image.pixels.data(), image.width, image.height, image.state))
      image.state = ++image.lastState;
    // Back with this run's old pixels in it: the next copy must overwrite them all.
    budget.GiveBackSpare(std::move(before));
    EXPECT_EQ(budget.Held(), budget.Used() + whole);
    states.push_back(image.pixels);
  }
  for (size_t back = states.size() - 1; back-- > 0;) {
    ASSERT_TRUE(image.Undo());
    EXPECT_EQ(image.pixels, states[back]) << "after undoing to state " << back;
  }
  // A whole-image step needs the spare block's room: the block goes, no step does.
  image.Change({0, 0, 40, 30}, random);
  EXPECT_EQ(budget.TakeDroppedCount(), 0);
  EXPECT_TRUE(image.history.CanUndo());
  EXPECT_EQ(budget.Held(), whole);
}

}  // namespace
}  // namespace molvane::hosttest
