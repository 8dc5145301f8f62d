// The shared pixel array: block layout, reference counting, growth, all through the module allocator.
#include "boundary/pixel_array.h"

#include <gtest/gtest.h>

#include <cstring>

#include "counting_allocator.h"

namespace molvane {
namespace {

using testing::CountingAllocatorScope;
using testing::Counts;

TEST(PixelArray, BlockLayoutIsCountThenLengthThenPixels) {
  CountingAllocatorScope counting;
  TPtsImg a(5);
  const auto* words = reinterpret_cast<const int32_t*>(a.Handle()) - 2;
  EXPECT_EQ(words[0], 1);
  EXPECT_EQ(words[1], 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a[i].b + a[i].g + a[i].r, 0) << "new pixels are zeroed";
  EXPECT_EQ(Counts().allocations, 1);
}

TEST(PixelArray, CopiesShareTheBlockAndTheLastHolderFreesIt) {
  CountingAllocatorScope counting;
  {
    TPtsImg a(4);
    TPtsImg b = a;
    EXPECT_EQ(a.Handle(), b.Handle());
    EXPECT_EQ(a.RefCount(), 2);
    b[1].r = 77;
    EXPECT_EQ(a[1].r, 77) << "writes are visible to every holder";
    TPtsImg c = TPtsImg::Share(a.Handle());
    EXPECT_EQ(TPtsImg::RefCountOf(a.Handle()), 3);
    c = TPtsImg();
    b.Reset();
    EXPECT_EQ(a.RefCount(), 1);
    EXPECT_EQ(Counts().frees, 0);
  }
  EXPECT_EQ(Counts().Live(), 0);
}

TEST(PixelArray, SelfAssignmentAndMovesKeepTheCountRight) {
  CountingAllocatorScope counting;
  TPtsImg a(2);
  TPtsImg& alias = a;
  a = alias;
  EXPECT_EQ(a.RefCount(), 1);
  TPtsImg moved = std::move(a);
  EXPECT_TRUE(a.Empty());
  EXPECT_EQ(moved.RefCount(), 1);
  moved = std::move(moved);
  EXPECT_EQ(moved.Length(), 2);
}

TEST(PixelArray, GrowingAPrivateBlockReallocatesAndZeroesTheTail) {
  CountingAllocatorScope counting;
  TPtsImg a(2);
  a[0] = {1, 2, 3};
  a[1] = {4, 5, 6};
  a.SetLength(1000);
  EXPECT_EQ(Counts().reallocations, 1);
  EXPECT_EQ(a.Length(), 1000);
  EXPECT_EQ(a[1].r, 6);
  EXPECT_EQ(a[999].b, 0);
  a.SetLength(1);
  EXPECT_EQ(a.Length(), 1);
  EXPECT_EQ(a[0].g, 2);
  a.SetLength(0);
  EXPECT_TRUE(a.Empty());
  EXPECT_EQ(Counts().Live(), 0);
}

TEST(PixelArray, ResizingASharedBlockLeavesTheOtherHoldersTheirs) {
  CountingAllocatorScope counting;
  TPtsImg a(3);
  a[2] = {9, 9, 9};
  TPtsImg b = a;
  b.SetLength(5);
  EXPECT_NE(a.Handle(), b.Handle());
  EXPECT_EQ(a.Length(), 3);
  EXPECT_EQ(a.RefCount(), 1);
  EXPECT_EQ(b[2].g, 9);
  EXPECT_EQ(b[4].g, 0);
}

TEST(PixelArray, CopyIsPrivateAndEqual) {
  CountingAllocatorScope counting;
  TPtsImg a(3);
  a[0] = {10, 20, 30};
  TPtsImg copy = a.Copy();
  EXPECT_NE(copy.Handle(), a.Handle());
  EXPECT_EQ(std::memcmp(copy.Data(), a.Data(), 9), 0);
  EXPECT_TRUE(TPtsImg().Copy().Empty());
  // The unzeroed block of a new image has the same layout and count.
  TPtsImg fresh = TPtsImg::Uninitialised(7);
  EXPECT_EQ(fresh.Length(), 7);
  EXPECT_EQ(fresh.RefCount(), 1);
  EXPECT_TRUE(TPtsImg::Uninitialised(0).Empty());
}

TEST(PixelArray, SizesBeyondThe32BitBlockAreRefusedWithoutAllocating) {
  CountingAllocatorScope counting;
  EXPECT_THROW(TPtsImg(INT32_MAX / 3), std::bad_alloc);
  EXPECT_THROW(TPtsImg(-1), std::bad_alloc);
  EXPECT_THROW(TPtsImg::Uninitialised(INT32_MAX / 3), std::bad_alloc);
  EXPECT_THROW(TPtsImg::Uninitialised(-1), std::bad_alloc);
  TPtsImg a(1);
  EXPECT_THROW(a.SetLength(INT32_MAX), std::bad_alloc);
  EXPECT_EQ(a.Length(), 1) << "a refused resize keeps the block";
  EXPECT_EQ(Counts().allocations, 1);
}

TEST(PixelArray, NullHandleIsTheEmptyArray) {
  TPtsImg none = TPtsImg::Share(nullptr);
  EXPECT_TRUE(none.Empty());
  EXPECT_EQ(none.Length(), 0);
  EXPECT_EQ(TPtsImg::RefCountOf(nullptr), 0);
}

}  // namespace
}  // namespace molvane
