// The host's side of the shared allocator: creating the record, and reading it from outside.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "boundary/pixel_array.h"
#include "host/bmp.h"

namespace molvane::host {

// Installs the counting allocator as this module's allocator, then creates the
// shared record with it. Must run before anything loads user32 (under Wine,
// loading it fills every candidate address). False with a message when no
// record could be created or joined.
bool StartSharedAllocator(std::string& error);

// Leaves the record. A creator that leaves while other modules still use its
// allocator ends the process, so this refuses (false, with a message) while
// any other module is attached.
bool StopSharedAllocator(std::string& error);

// A record as a host reads it from memory, by the fixed layout, without the
// plug-in's own code: RefCount at 0, the signatures at 8 and 32, the allocate,
// free and reallocate entry points at 16, 20 and 24.
struct RecordView {
  int candidate;
  uintptr_t address;
  int32_t refCount;
  uintptr_t allocate;
  uintptr_t free;
  uintptr_t reallocate;
};

constexpr int kRecordCandidates = 16;
// Candidate i: the highest application address with its low 16 bits cleared,
// minus i * 64K, brought down to a multiple of the page size.
uintptr_t RecordCandidate(int index);
uint32_t PageSize();
// The valid records of this process among the candidates, lowest index first.
std::vector<RecordView> FindRecords();
// Is the candidate's page free, that is, can it be committed at that address?
// Leaves it free.
bool CandidateIsFree(int index);

// The host's images as pixel arrays in the shared allocator, and back.
TPtsImg ToPixelArray(const Bitmap24& image);
Bitmap24 FromPixelArray(const TPtsImg& pixels, int32_t width, int32_t height);

}  // namespace molvane::host
