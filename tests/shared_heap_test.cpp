// SharedHeap against a simulated process: where the record goes, who creates, who joins, who frees.
#include "boundary/shared_heap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>

#include "boundary/pixel_array.h"
#include "platform/fake/fake_platform.h"

namespace molvane {
namespace {

// Two distinguishable heaps; each one only frees blocks it handed out itself,
// so a block that went to the wrong heap shows up as a failed free.
struct CountingHeap {
  std::set<void*> live;
  int allocations = 0;
  int frees = 0;
};
CountingHeap heaps[2];

template <int H>
void* MOLVANE_REGISTER_CALL CountingAllocate(int32_t size) {
  void* block = std::malloc(size_t(size));
  heaps[H].live.insert(block);
  ++heaps[H].allocations;
  return block;
}

template <int H>
int32_t MOLVANE_REGISTER_CALL CountingFree(void* block) {
  ++heaps[H].frees;
  if (heaps[H].live.erase(block) == 0) return 1;
  std::free(block);
  return 0;
}

template <int H>
void* MOLVANE_REGISTER_CALL CountingReallocate(void* block, int32_t size) {
  if (heaps[H].live.erase(block) == 0) return nullptr;
  void* grown = std::realloc(block, size_t(size));
  heaps[H].live.insert(grown);
  return grown;
}

template <int H>
AllocatorTable CountingTable() {
  return {CountingAllocate<H>, CountingFree<H>, CountingReallocate<H>};
}

bool SameTable(const AllocatorTable& a, const AllocatorTable& b) {
  return a.Allocate == b.Allocate && a.Free == b.Free && a.Reallocate == b.Reallocate;
}

void WriteRecord(unsigned char* page, uint32_t processId, const AllocatorTable& table, int32_t refCount) {
  SharedHeapRecord record{};
  record.RefCount = refCount;
  record.Signature1 = Signature1For(processId);
  record.AllocatorTable = table;
  record.Signature2 = Signature2For(processId);
  std::memcpy(page, &record, sizeof record);
}

const SharedHeapRecord* RecordIn(FakePlatform& platform, uintptr_t address) {
  return static_cast<const SharedHeapRecord*>(platform.At(address));
}

int CountCalls(const FakePlatform& platform, FakePlatform::PageCall call) {
  int count = 0;
  for (const auto& event : platform.PageEvents()) count += event.call == call;
  return count;
}

constexpr uintptr_t kCandidate0 = 0x7FFE0000;

uintptr_t Candidate(int i) { return kCandidate0 - uintptr_t(i) * 0x10000; }

class SharedHeapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    heaps[0] = CountingHeap();
    heaps[1] = CountingHeap();
  }

  FakePlatform platform;
  AllocatorTable creatorTable = CountingTable<0>();
  AllocatorTable joinerTable = CountingTable<1>();
};

TEST(SharedHeapCandidates, RunFrom7FFE0000DownTo7FEF0000With4KPages) {
  const Platform::SystemInfo info{4096, 0x7FFEFFFF};
  for (int i = 0; i < SharedHeap::kCandidateCount; ++i) {
    EXPECT_EQ(SharedHeap::CandidateAddress(info, i), Candidate(i)) << "candidate " << i;
  }
  EXPECT_EQ(SharedHeap::CandidateAddress(info, 15), uintptr_t(0x7FEF0000));
}

TEST(SharedHeapCandidates, ClearLowBitsThenRoundDownToThePageSize) {
  // The low 16 bits go first; 8192 divides 64K, so nothing more moves.
  const Platform::SystemInfo eightK{8192, 0x5FFF3ABF};
  EXPECT_EQ(SharedHeap::CandidateAddress(eightK, 0), uintptr_t(0x5FFF0000));
  EXPECT_EQ(SharedHeap::CandidateAddress(eightK, 1), uintptr_t(0x5FFE0000));

  // 12 KB pages do not divide 64K: each candidate drops to the multiple below.
  const Platform::SystemInfo twelveK{12288, 0x7FFEFFFF};
  EXPECT_EQ(SharedHeap::CandidateAddress(twelveK, 0), uintptr_t(0x7FFE0000));
  EXPECT_EQ(SharedHeap::CandidateAddress(twelveK, 1), uintptr_t(0x7FFCE000));
  EXPECT_EQ(SharedHeap::CandidateAddress(twelveK, 2), uintptr_t(0x7FFBF000));
}

TEST_F(SharedHeapTest, FirstModuleCreatesTheRecordAndKeepsItsAllocator) {
  SharedHeap heap(platform, creatorTable);
  ASSERT_EQ(heap.Attach(), AttachResult::Created);

  EXPECT_TRUE(heap.Created());
  EXPECT_TRUE(SameTable(creatorTable, CountingTable<0>()));

  const SharedHeapRecord* record = RecordIn(platform, kCandidate0);
  EXPECT_EQ(heap.Record(), record);
  EXPECT_EQ(record->RefCount, 1);
  EXPECT_EQ(record->Padding1, 0u);
  EXPECT_EQ(record->Padding2, 0u);
  EXPECT_EQ(record->Signature1, 0xBABE01234567ECD9ull);  // process id 0x1234
  EXPECT_EQ(record->Signature2, 0xF00D76543210A23Full);
  EXPECT_TRUE(SameTable(record->AllocatorTable, CountingTable<0>()));
  EXPECT_TRUE(platform.Messages().empty());
}

TEST(SharedHeapSignatures, ZeroExtendTheProcessId) {
  EXPECT_EQ(Signature1For(0xFFFFFFF0u), 0xBABE0123BA98011Dull);
  EXPECT_EQ(Signature2For(0xFFFFFFF0u), 0xF00D7654CDEF4FFBull);
}

TEST_F(SharedHeapTest, SecondModuleJoinsAndBlocksCrossBetweenTheModules) {
  SharedHeap creator(platform, creatorTable);
  SharedHeap joiner(platform, joinerTable);
  ASSERT_EQ(creator.Attach(), AttachResult::Created);

  // Before joining, the two modules really have separate heaps.
  void* own = joinerTable.Allocate(16);
  EXPECT_NE(creatorTable.Free(own), 0);
  EXPECT_EQ(joinerTable.Free(own), 0);

  ASSERT_EQ(joiner.Attach(), AttachResult::Joined);
  EXPECT_TRUE(joiner.Joined());
  EXPECT_EQ(joiner.Record(), RecordIn(platform, kCandidate0));
  EXPECT_EQ(RecordIn(platform, kCandidate0)->RefCount, 2);
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Allocate), 2);  // the joiner found it taken

  const int joinerHeapCallsBefore = heaps[1].allocations + heaps[1].frees;
  void* fromJoiner = joinerTable.Allocate(100);
  void* fromCreator = creatorTable.Allocate(200);
  EXPECT_EQ(heaps[0].allocations, 2);
  EXPECT_EQ(creatorTable.Free(fromJoiner), 0);
  EXPECT_EQ(joinerTable.Free(fromCreator), 0);
  EXPECT_TRUE(heaps[0].live.empty());
  EXPECT_EQ(heaps[1].allocations + heaps[1].frees, joinerHeapCallsBefore);

  joiner.Detach();
  EXPECT_TRUE(SameTable(joinerTable, CountingTable<1>()));
  EXPECT_EQ(RecordIn(platform, kCandidate0)->RefCount, 1);
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Release), 0);

  // The creator leaves last: the page is decommitted, then released.
  creator.Detach();
  const auto& events = platform.PageEvents();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[2].call, FakePlatform::PageCall::Decommit);
  EXPECT_EQ(events[2].address, kCandidate0);
  EXPECT_EQ(events[3].call, FakePlatform::PageCall::Release);
  EXPECT_EQ(events[3].address, kCandidate0);
  EXPECT_EQ(platform.StateOf(kCandidate0), FakePlatform::PageState::Free);
  EXPECT_TRUE(platform.Terminations().empty());
  EXPECT_FALSE(creator.Attached());
}

TEST_F(SharedHeapTest, CreatorLeavingFirstEndsTheProcessWithCodeZero) {
  SharedHeap creator(platform, creatorTable);
  SharedHeap joiner(platform, joinerTable);
  ASSERT_EQ(creator.Attach(), AttachResult::Created);
  ASSERT_EQ(joiner.Attach(), AttachResult::Joined);

  creator.Detach();
  ASSERT_EQ(platform.Terminations().size(), 1u);
  EXPECT_EQ(platform.Terminations()[0], 0u);
  // The page stays for the joiner: nothing is freed under it.
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Decommit), 0);
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Release), 0);
  EXPECT_EQ(RecordIn(platform, kCandidate0)->RefCount, 1);
}

TEST_F(SharedHeapTest, AnotherProcessRecordIsSkipped) {
  // Next candidate free: this module creates there.
  WriteRecord(platform.SetPage(Candidate(0), FakePlatform::PageState::ReadWrite), 0x9999,
              joinerTable, 1);
  SharedHeap creator(platform, creatorTable);
  ASSERT_EQ(creator.Attach(), AttachResult::Created);
  EXPECT_EQ(creator.Record(), RecordIn(platform, Candidate(1)));
  EXPECT_EQ(RecordIn(platform, Candidate(0))->RefCount, 1);

  // A module of this process arriving now passes the foreign record and joins.
  SharedHeap joiner(platform, joinerTable);
  ASSERT_EQ(joiner.Attach(), AttachResult::Joined);
  EXPECT_EQ(joiner.Record(), RecordIn(platform, Candidate(1)));
  EXPECT_TRUE(SameTable(joinerTable, CountingTable<0>()));
  EXPECT_EQ(RecordIn(platform, Candidate(0))->RefCount, 1);
  EXPECT_EQ(RecordIn(platform, Candidate(1))->RefCount, 2);
}

TEST_F(SharedHeapTest, UnreadablePagesBeforeTheRecordAreSkippedWithoutReadingThem) {
  // What a Wine host sees: a read-only system page, then reserved pages.
  platform.SetPage(Candidate(0), FakePlatform::PageState::ReadOnly);
  for (int i = 1; i <= 5; ++i) platform.SetPage(Candidate(i), FakePlatform::PageState::Reserved);
  WriteRecord(platform.SetPage(Candidate(6), FakePlatform::PageState::ReadWrite), 0x1234,
              creatorTable, 1);

  SharedHeap joiner(platform, joinerTable);
  ASSERT_EQ(joiner.Attach(), AttachResult::Joined);
  EXPECT_EQ(joiner.Record(), RecordIn(platform, Candidate(6)));
  EXPECT_EQ(platform.BadReads(), 0);
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Allocate), 7);
  EXPECT_EQ(platform.CommittedByProgram(), 0);
  EXPECT_TRUE(SameTable(joinerTable, CountingTable<0>()));
  EXPECT_EQ(RecordIn(platform, Candidate(6))->RefCount, 2);
}

TEST_F(SharedHeapTest, NoFreeCandidateAndNoRecordFailsLeavingNothingBehind) {
  platform.SetPage(Candidate(0), FakePlatform::PageState::ReadOnly);
  for (int i = 1; i < 16; ++i) platform.SetPage(Candidate(i), FakePlatform::PageState::Reserved);

  SharedHeap heap(platform, joinerTable);
  EXPECT_EQ(heap.Attach(), AttachResult::AddressReserved);
  ASSERT_EQ(platform.Messages().size(), 1u);
  EXPECT_EQ(platform.Messages()[0].text,
            "Shared Memory Allocator setup failed: Address already reserved.");
  EXPECT_EQ(platform.Messages()[0].caption, "SharedHeap");
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Allocate), 16);
  EXPECT_EQ(platform.CommittedByProgram(), 0);
  EXPECT_EQ(platform.BadReads(), 0);
  EXPECT_TRUE(SameTable(joinerTable, CountingTable<1>()));
  EXPECT_FALSE(heap.Attached());
  EXPECT_EQ(heap.Record(), nullptr);

  heap.Detach();  // nothing attached: nothing to undo
  EXPECT_TRUE(platform.Terminations().empty());
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Release), 0);
}

TEST_F(SharedHeapTest, PageRelocatedAtTheLastCandidateFailsAndIsGivenBack) {
  for (int i = 0; i < 15; ++i) platform.SetPage(Candidate(i), FakePlatform::PageState::Reserved);
  platform.RelocateAllocation(Candidate(15), 0x10000000);

  SharedHeap heap(platform, creatorTable);
  EXPECT_EQ(heap.Attach(), AttachResult::AddressRelocated);
  ASSERT_EQ(platform.Messages().size(), 1u);
  EXPECT_EQ(platform.Messages()[0].text,
            "Shared Memory Allocator setup failed: Address was relocated.");
  EXPECT_EQ(platform.Messages()[0].caption, "SharedHeap");
  EXPECT_EQ(platform.StateOf(0x10000000), FakePlatform::PageState::Free);
  EXPECT_EQ(platform.CommittedByProgram(), 0);
  EXPECT_FALSE(heap.Attached());
  EXPECT_TRUE(SameTable(creatorTable, CountingTable<0>()));
}

TEST_F(SharedHeapTest, PageRelocatedEarlierIsGivenBackAndTheSearchGoesOn) {
  platform.RelocateAllocation(Candidate(0), 0x10000000);
  SharedHeap heap(platform, creatorTable);
  ASSERT_EQ(heap.Attach(), AttachResult::Created);
  EXPECT_EQ(heap.Record(), RecordIn(platform, Candidate(1)));
  EXPECT_EQ(platform.StateOf(0x10000000), FakePlatform::PageState::Free);
  EXPECT_EQ(platform.CommittedByProgram(), 1);
  EXPECT_TRUE(platform.Messages().empty());

  // Relocated in the middle, nothing usable after: the failure is "reserved".
  FakePlatform crowded;
  for (int i = 0; i < 16; ++i) crowded.SetPage(Candidate(i), FakePlatform::PageState::Reserved);
  crowded.SetPage(Candidate(9), FakePlatform::PageState::Free);
  crowded.RelocateAllocation(Candidate(9), 0x10000000);
  SharedHeap other(crowded, joinerTable);
  EXPECT_EQ(other.Attach(), AttachResult::AddressReserved);
  ASSERT_EQ(crowded.Messages().size(), 1u);
  EXPECT_EQ(crowded.Messages()[0].text,
            "Shared Memory Allocator setup failed: Address already reserved.");
  EXPECT_EQ(crowded.CommittedByProgram(), 0);
}

// The module-wide handshake runs on the process-wide fake and ModuleAllocator().
class SharedHeapModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheFakePlatform().Reset();
    heaps[0] = CountingHeap();
    saved = ModuleAllocator();
  }
  void TearDown() override {
    ModuleAllocator() = saved;
    TheFakePlatform().Reset();
  }
  AllocatorTable saved{};
};

TEST_F(SharedHeapModuleTest, InitializeAndFinalizeRunOnceEach) {
  FakePlatform& platform = TheFakePlatform();
  ASSERT_TRUE(SharedHeapInitialize());
  ASSERT_TRUE(SharedHeapInitialize());
  EXPECT_TRUE(ModuleSharedHeap().Created());
  EXPECT_EQ(ModuleSharedHeap().Record(), RecordIn(platform, kCandidate0));
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Allocate), 1);

  SharedHeapFinalize();
  EXPECT_TRUE(ModuleSharedHeap().Attached());
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Release), 0);

  SharedHeapFinalize();
  EXPECT_FALSE(ModuleSharedHeap().Attached());
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Decommit), 1);
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Release), 1);

  SharedHeapFinalize();  // one too many: no effect
  EXPECT_EQ(platform.PageEvents().size(), 3u);
  EXPECT_TRUE(platform.Terminations().empty());
}

TEST_F(SharedHeapModuleTest, JoinedModuleAllocatesPixelArraysThroughTheHost) {
  FakePlatform& platform = TheFakePlatform();
  WriteRecord(platform.SetPage(kCandidate0, FakePlatform::PageState::ReadWrite), 0x1234,
              CountingTable<0>(), 1);

  ASSERT_TRUE(SharedHeapInitialize());
  EXPECT_TRUE(ModuleSharedHeap().Joined());
  {
    TPtsImg image(10);
    EXPECT_EQ(heaps[0].allocations, 1);
  }
  EXPECT_EQ(heaps[0].frees, 1);
  EXPECT_TRUE(heaps[0].live.empty());

  SharedHeapFinalize();
  EXPECT_TRUE(SameTable(ModuleAllocator(), saved));
  EXPECT_EQ(RecordIn(platform, kCandidate0)->RefCount, 1);
}

TEST_F(SharedHeapModuleTest, FailedInitializeChangesNothingAndCanBeRetried) {
  FakePlatform& platform = TheFakePlatform();
  for (int i = 0; i < 16; ++i) platform.SetPage(Candidate(i), FakePlatform::PageState::Reserved);

  EXPECT_FALSE(SharedHeapInitialize());
  EXPECT_EQ(platform.Messages().size(), 1u);
  EXPECT_TRUE(SameTable(ModuleAllocator(), saved));
  SharedHeapFinalize();  // what an unload after a refused load does
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Decommit), 0);
  EXPECT_EQ(CountCalls(platform, FakePlatform::PageCall::Release), 0);

  // A failure counts for nothing: the next Initialize searches again.
  EXPECT_FALSE(SharedHeapInitialize());
  EXPECT_EQ(platform.Messages().size(), 2u);
  platform.SetPage(Candidate(3), FakePlatform::PageState::Free);
  ASSERT_TRUE(SharedHeapInitialize());
  EXPECT_TRUE(ModuleSharedHeap().Created());
  EXPECT_EQ(ModuleSharedHeap().Record(), RecordIn(platform, Candidate(3)));
  SharedHeapFinalize();
  EXPECT_FALSE(ModuleSharedHeap().Attached());
}

}  // namespace
}  // namespace molvane
