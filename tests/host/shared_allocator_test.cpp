// The shared allocator as the real plug-in uses it: the record, reference counts, who allocates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/shared_record.h"
#include "host_test_support.h"

namespace molvane::hosttest {
namespace {

int32_t BlockBytes(int32_t pixels) { return 8 + 3 * pixels; }
const void* BlockOf(const TPtsImg& image) { return reinterpret_cast<const char*>(image.Handle()) - 8; }

host::RecordView TheRecord() {
  const std::vector<host::RecordView> records = host::FindRecords();
  EXPECT_EQ(records.size(), 1u) << "valid records among the candidates";
  return records.empty() ? host::RecordView{-1, 0, 0, 0, 0, 0} : records.front();
}

TEST(SharedAllocator, TheRecordPublishesTheHostsAllocator) {
  const host::RecordView record = TheRecord();
  const AllocatorTable table = HostAllocator().Table();
  EXPECT_EQ(record.allocate, reinterpret_cast<uintptr_t>(table.Allocate));
  EXPECT_EQ(record.free, reinterpret_cast<uintptr_t>(table.Free));
  EXPECT_EQ(record.reallocate, reinterpret_cast<uintptr_t>(table.Reallocate));
}

TEST(SharedAllocator, ThePluginJoinsAtLoadAndLeavesAtUnload) {
  Plugin().Unload();
  const int32_t without = TheRecord().refCount;
  ASSERT_TRUE(Plugin().Loaded());
  EXPECT_EQ(TheRecord().refCount, without + 1);
  Plugin().Unload();
  EXPECT_EQ(TheRecord().refCount, without);
  ASSERT_TRUE(Plugin().Loaded());
}

TEST(SharedAllocator, ArraysOfThisLibraryComeFromTheHost) {
  TPtsImg image(10);
  EXPECT_EQ(HostAllocator().BlockSize(BlockOf(image)), BlockBytes(10));
}

TEST(SharedAllocator, ReferenceCountsAreBalancedAfterEveryCall) {
  const struct {
    int32_t tool, phase;
  } calls[] = {{2, 0}, {0, 0}, {9, 0}, {1, 2}, {-1, 0}};
  FreshRecorder(5);
  for (const auto& call : calls) {
    SCOPED_TRACE("tool " + std::to_string(call.tool) + " phase " + std::to_string(call.phase));
    TPtsImg image = MakeImage(RandomPixels(12, 3));
    TPtsImg second = MakeImage(RandomPixels(12, 4));
    TPtsImg extraHolder = image;  // the host may hold more than one reference
    RunTool(call.tool, call.phase, image, 4, 3, second);
    EXPECT_EQ(image.RefCount(), 2);
    EXPECT_EQ(second.RefCount(), 1);
    // The same block passed as both images.
    RunTool(call.tool, call.phase, image, 4, 3, image);
    EXPECT_EQ(image.RefCount(), 2);
  }
}

TEST(SharedAllocator, NoBlockOutlivesACall) {
  FreshRecorder(5);
  const host::AllocatorStatistics before = HostAllocator().Statistics();
  {
    TPtsImg image = MakeImage(RandomPixels(30 * 20, 8));
    RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, image, 30, 20);
    RunTool(9, 0, image, 30, 20);
  }
  const host::AllocatorStatistics after = HostAllocator().Statistics();
  EXPECT_EQ(after.liveBlocks, before.liveBlocks);
  EXPECT_EQ(after.liveBytes, before.liveBytes);
  EXPECT_EQ(after.foreignBlockCalls, before.foreignBlockCalls);
}

// The plug-in's private copy is a block of the host's heap: the host could
// free it, and the plug-in frees it through the host.
TEST(SharedAllocator, ThePluginsCopyIsAHostBlock) {
  const int32_t width = 20;
  const int32_t height = 10;
  TPtsImg image = MakeImage(RandomPixels(width * height, 21));
  host::CallbackRecorder& recorder = FreshRecorder(5);
  const host::AllocatorStatistics before = HostAllocator().Statistics();
  host::AllocatorStatistics during{};
  int32_t lastBlockSize = -2;
  recorder.DuringCall([&](const host::CallbackCall&) {
    during = HostAllocator().Statistics();
    lastBlockSize = HostAllocator().BlockSize(reinterpret_cast<const void*>(during.lastBlock));
  });
  RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, image, width, height);
  recorder.DuringCall(nullptr);
  const host::AllocatorStatistics after = HostAllocator().Statistics();

  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_GT(during.allocateCalls + during.reallocateCalls, before.allocateCalls + before.reallocateCalls)
      << "the plug-in allocated nothing through the host";
  EXPECT_EQ(during.liveBlocks, before.liveBlocks + 1) << "live blocks while the plug-in holds its copy";
  EXPECT_EQ(lastBlockSize, BlockBytes(width * height)) << "the copy is not a live block of the host";
  EXPECT_EQ(after.liveBlocks, before.liveBlocks);
  EXPECT_GT(after.freeCalls, during.freeCalls) << "the copy was not given back to the host";
  EXPECT_EQ(HostAllocator().BlockSize(reinterpret_cast<const void*>(during.lastBlock)), -1);
}

TEST(SharedAllocator, TheHostFreesWhatItPassedOnceThePluginLetGo) {
  FreshRecorder(5);
  const host::AllocatorStatistics before = HostAllocator().Statistics();
  const void* block = nullptr;
  {
    TPtsImg image = MakeImage(RandomPixels(25, 30));
    block = BlockOf(image);
    RunTool(MOLVANE_TOOL_NOISE_REDUCTION, MOLVANE_PHASE_OPEN, image, 5, 5);
    EXPECT_EQ(image.RefCount(), 1);
    EXPECT_EQ(HostAllocator().BlockSize(block), BlockBytes(25));
  }
  EXPECT_EQ(HostAllocator().BlockSize(block), -1);
  EXPECT_EQ(HostAllocator().Statistics().liveBlocks, before.liveBlocks);
  EXPECT_EQ(HostAllocator().Statistics().foreignBlockCalls, before.foreignBlockCalls);
}

}  // namespace
}  // namespace molvane::hosttest
