// SharedHeap: host and plug-in allocate from one heap, found through a record at a fixed address.
#pragma once

#include <cstddef>
#include <cstdint>

#include "boundary/allocator.h"
#include "platform/platform.h"

namespace molvane {

// The record the first module of a process publishes at the start of one
// committed read-write page. Every module of the process that takes part reads
// and writes this layout, so on the 32-bit build it is fixed to the byte:
//   0  int32   RefCount         modules attached, the creator included
//   8  uint64  Signature1       process id (zero-extended) xor 0xBABE01234567FEED
//  16  3 ptrs  AllocatorTable   the creator's allocate, free, reallocate
//  32  uint64  Signature2       process id (zero-extended) xor 0xF00D76543210B00B
// A record is valid only in the process whose id its signatures hold.
// The native build has 64-bit pointers there, which only its tests see.
struct SharedHeapRecord {
  int32_t RefCount;
  uint32_t Padding1;
  uint64_t Signature1;
  ::molvane::AllocatorTable AllocatorTable;
  uint32_t Padding2;
  uint64_t Signature2;
};

#if defined(__i386__)
static_assert(offsetof(SharedHeapRecord, RefCount) == 0, "RefCount at 0");
static_assert(offsetof(SharedHeapRecord, Signature1) == 8, "Signature1 at 8");
static_assert(offsetof(SharedHeapRecord, AllocatorTable) == 16, "AllocatorTable at 16");
static_assert(sizeof(AllocatorTable) == 12, "three 32-bit entry points");
static_assert(offsetof(SharedHeapRecord, Signature2) == 32, "Signature2 at 32");
static_assert(sizeof(SharedHeapRecord) == 40, "the record is 40 bytes");
#endif

uint64_t Signature1For(uint32_t processId);
uint64_t Signature2For(uint32_t processId);

enum class AttachResult {
  Created,           // this module published its allocator
  Joined,            // this module allocates through another module's allocator
  AddressReserved,   // no free candidate and no valid record: nothing changed
  AddressRelocated,  // the last candidate's page came back elsewhere: nothing changed
};

extern const char kAddressReservedText[];
extern const char kAddressRelocatedText[];
extern const char kSharedHeapCaption[];

// One module's side of the handshake. `moduleAllocator` is the table the
// module allocates through; a joiner switches it to the record's entry points
// at Attach and back at Detach. Attach and Detach run inside the module's load
// and unload, which the system serialises, so nothing is locked.
class SharedHeap {
 public:
  static constexpr int kCandidateCount = 16;

  SharedHeap(Platform& platform, AllocatorTable& moduleAllocator);

  // Candidate i: the highest application address with its low 16 bits
  // cleared, minus i * 64K, brought down to a multiple of the page size.
  static uintptr_t CandidateAddress(const Platform::SystemInfo& info, int index);

  // Creates the record at the first free candidate or joins the first valid
  // one. On failure shows the box (caption "SharedHeap") and returns the
  // failure; no page is kept and the module's allocator is unchanged, so the
  // caller can refuse to load instead of ending the host.
  AttachResult Attach();

  // Undoes a successful Attach: a joiner takes its own allocator back; the
  // creator frees the page when it is the last one attached and ends the
  // process (exit code 0) when other modules still allocate through it.
  void Detach();

  bool Attached() const { return record_ != nullptr; }
  bool Created() const { return Attached() && ownedPage_ != 0; }
  bool Joined() const { return Attached() && ownedPage_ == 0; }
  // The record this module created or joined; null when not attached.
  const SharedHeapRecord* Record() const { return record_; }

 private:
  bool HoldsValidRecord(uintptr_t address, uint32_t processId);
  void Reset();

  Platform& platform_;
  AllocatorTable& moduleAllocator_;
  Platform::SystemInfo info_{};
  // The page this module created; 0 when it joined or is not attached.
  uintptr_t ownedPage_ = 0;
  // A joiner's own allocator, put back at Detach.
  AllocatorTable savedAllocator_{};
  SharedHeapRecord* record_ = nullptr;
};

// The handshake of this module (the DLL or a host program), on SystemPlatform()
// and ModuleAllocator(). Counter-guarded: only the first Initialize attaches
// and only the Finalize that undoes the last Initialize detaches. A failed
// Initialize leaves the counter at zero and returns false.
bool SharedHeapInitialize();
void SharedHeapFinalize();
const SharedHeap& ModuleSharedHeap();

}  // namespace molvane
