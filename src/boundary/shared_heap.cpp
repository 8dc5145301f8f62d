// SharedHeap: finding, creating, joining and leaving the shared allocator record.
#include "boundary/shared_heap.h"

#include <cstring>

namespace molvane {

const char kAddressReservedText[] = "Shared Memory Allocator setup failed: Address already reserved.";
const char kAddressRelocatedText[] = "Shared Memory Allocator setup failed: Address was relocated.";
const char kSharedHeapCaption[] = "SharedHeap";

uint64_t Signature1For(uint32_t processId) { return uint64_t(processId) ^ 0xBABE01234567FEEDull; }
uint64_t Signature2For(uint32_t processId) { return uint64_t(processId) ^ 0xF00D76543210B00Bull; }

SharedHeap::SharedHeap(Platform& platform, AllocatorTable& moduleAllocator)
    : platform_(platform), moduleAllocator_(moduleAllocator) {}

uintptr_t SharedHeap::CandidateAddress(const Platform::SystemInfo& info, int index) {
  const uintptr_t chunk = info.maximumApplicationAddress & ~uintptr_t(0xFFFF);
  const uintptr_t address = chunk - uintptr_t(index) * 0x10000u;
  if (info.pageSize == 0) return address;
  return address / info.pageSize * info.pageSize;
}

// Lower candidates lie in pages that may be reserved but not committed, or not
// readable at all (Wine keeps such pages there), so a page is looked at only
// when the system says the whole record can be read.
bool SharedHeap::HoldsValidRecord(uintptr_t address, uint32_t processId) {
  if (!platform_.IsReadable(address, sizeof(SharedHeapRecord))) return false;
  const auto* bytes = static_cast<const unsigned char*>(platform_.At(address));
  uint64_t signature1;
  uint64_t signature2;
  std::memcpy(&signature1, bytes + offsetof(SharedHeapRecord, Signature1), sizeof signature1);
  std::memcpy(&signature2, bytes + offsetof(SharedHeapRecord, Signature2), sizeof signature2);
  return signature1 == Signature1For(processId) && signature2 == Signature2For(processId);
}

AttachResult SharedHeap::Attach() {
  if (Attached()) return Created() ? AttachResult::Created : AttachResult::Joined;

  info_ = platform_.GetSystemInfo();
  const uint32_t processId = platform_.CurrentProcessId();
  bool lastWasRelocated = false;

  for (int i = 0; i < kCandidateCount; ++i) {
    const uintptr_t candidate = CandidateAddress(info_, i);
    const uintptr_t page = platform_.AllocatePage(candidate, info_.pageSize);
    lastWasRelocated = false;

    if (page != 0 && page == candidate) {
      auto* record = static_cast<SharedHeapRecord*>(platform_.At(page));
      std::memset(record, 0, sizeof *record);
      // The table and count go in before the signatures make the record valid.
      record->AllocatorTable = moduleAllocator_;
      record->RefCount = 1;
      record->Signature1 = Signature1For(processId);
      record->Signature2 = Signature2For(processId);
      ownedPage_ = page;
      record_ = record;
      return AttachResult::Created;
    }

    if (page != 0) {
      // A page somewhere else is of no use to anyone: give it back and go on.
      platform_.ReleasePage(page);
      lastWasRelocated = true;
      continue;
    }

    if (HoldsValidRecord(candidate, processId)) {
      auto* record = static_cast<SharedHeapRecord*>(platform_.At(candidate));
      savedAllocator_ = moduleAllocator_;
      moduleAllocator_ = record->AllocatorTable;
      record->RefCount += 1;
      ownedPage_ = 0;
      record_ = record;
      return AttachResult::Joined;
    }
  }

  if (lastWasRelocated) {
    platform_.ShowMessage(kAddressRelocatedText, kSharedHeapCaption);
    return AttachResult::AddressRelocated;
  }
  platform_.ShowMessage(kAddressReservedText, kSharedHeapCaption);
  return AttachResult::AddressReserved;
}

void SharedHeap::Detach() {
  if (!Attached()) return;

  record_->RefCount -= 1;
  const int32_t stillAttached = record_->RefCount;
  const uintptr_t owned = ownedPage_;
  if (owned == 0) moduleAllocator_ = savedAllocator_;
  Reset();
  if (owned == 0) return;

  if (stillAttached > 0) {
    // Other modules still hold blocks of this module's heap and would call
    // into code that is about to go away: end the process instead.
    platform_.TerminateCurrentProcess(0);
    return;
  }
  platform_.DecommitPage(owned, info_.pageSize);
  platform_.ReleasePage(owned);
}

void SharedHeap::Reset() {
  ownedPage_ = 0;
  savedAllocator_ = AllocatorTable{};
  record_ = nullptr;
}

namespace {

int initializeCount = 0;

SharedHeap& TheModuleHeap() {
  static SharedHeap heap(SystemPlatform(), ModuleAllocator());
  return heap;
}

}  // namespace

bool SharedHeapInitialize() {
  if (initializeCount++ > 0) return true;
  const AttachResult result = TheModuleHeap().Attach();
  if (result == AttachResult::Created || result == AttachResult::Joined) return true;
  initializeCount = 0;
  return false;
}

void SharedHeapFinalize() {
  if (initializeCount == 0) return;
  if (--initializeCount == 0) TheModuleHeap().Detach();
}

const SharedHeap& ModuleSharedHeap() { return TheModuleHeap(); }

}  // namespace molvane
