// The run's work copy made on a thread of its own: whoever reads it, or writes it back, gets every byte of the host's image.
#include "boundary/image_run.h"

#include <gtest/gtest.h>

#include "test_images.h"

namespace molvane {
namespace {

using testing::MakeImage;
using testing::PixelsOf;
using testing::RandomPixels;
using testing::SameBytes;

// Large enough that the copy is still under way when the caller reads it.
constexpr int32_t kPixels = 3000 * 2000;

TEST(ImageRun, TheCopyMadeAsideIsCompleteWhenReadOrWrittenBack) {
  const std::vector<Pixel24> original = RandomPixels(kPixels, 41);
  for (int round = 0; round < 3; ++round) {
    const TPtsImg host = MakeImage(original);
    ImageRun run(host, {3000, 2000});
    run.StartCopyOfHostImage();
    EXPECT_TRUE(SameBytes(PixelsOf(run.WorkCopy()), original)) << "read at once, round " << round;

    ImageRun restoring(host, {3000, 2000});
    restoring.StartCopyOfHostImage();
    restoring.RestoreHostImage();
    EXPECT_TRUE(SameBytes(PixelsOf(host), original)) << "written back at once, round " << round;
  }
  ImageRun empty(TPtsImg(), {0, 0});
  empty.StartCopyOfHostImage();
  EXPECT_TRUE(empty.WorkCopy().Empty());
}

}  // namespace
}  // namespace molvane
