// The host's side of the shared allocator.
#include "host/shared_record.h"

#include <cstring>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "boundary/allocator.h"
#include "boundary/shared_heap.h"
#include "host/counting_allocator.h"
#include "platform/row_pool.h"

namespace molvane::host {
namespace {

constexpr uint64_t kSignature1Mask = 0xBABE01234567FEEDull;
constexpr uint64_t kSignature2Mask = 0xF00D76543210B00Bull;
constexpr size_t kRecordBytes = 40;

bool Readable(uintptr_t address, size_t size) {
  MEMORY_BASIC_INFORMATION region;
  if (VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) != sizeof region)
    return false;
  if (region.State != MEM_COMMIT || (region.Protect & (PAGE_GUARD | PAGE_NOACCESS))) return false;
  const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                         PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  if (!(region.Protect & readable)) return false;
  return address + size <= reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
}

template <typename T>
T ReadAt(uintptr_t address, size_t offset) {
  T value;
  std::memcpy(&value, reinterpret_cast<const void*>(address + offset), sizeof value);
  return value;
}

}  // namespace

bool StartSharedAllocator(std::string& error) {
  ModuleAllocator() = CountingAllocatorTable();
  if (!SharedHeapInitialize()) {
    ModuleAllocator() = OwnAllocator();
    error = "could not set up the shared allocator record";
    return false;
  }
  if (!ModuleSharedHeap().Created()) {
    error = "another module of this process had already created the shared allocator record";
    SharedHeapFinalize();
    return false;
  }
  return true;
}

bool StopSharedAllocator(std::string& error) {
  const SharedHeapRecord* record = ModuleSharedHeap().Record();
  if (record && record->RefCount > 1) {
    error = std::to_string(record->RefCount - 1) +
            " other module(s) still attached to the shared allocator";
    return false;
  }
  SharedHeapFinalize();
  return true;
}

uint32_t PageSize() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

uintptr_t RecordCandidate(int index) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const uintptr_t top = reinterpret_cast<uintptr_t>(info.lpMaximumApplicationAddress) & ~uintptr_t(0xFFFF);
  const uintptr_t address = top - uintptr_t(index) * 0x10000u;
  return address / info.dwPageSize * info.dwPageSize;
}

std::vector<RecordView> FindRecords() {
  std::vector<RecordView> records;
  const uint64_t processId = GetCurrentProcessId();
  for (int i = 0; i < kRecordCandidates; ++i) {
    const uintptr_t address = RecordCandidate(i);
    if (!Readable(address, kRecordBytes)) continue;
    if (ReadAt<uint64_t>(address, 8) != (processId ^ kSignature1Mask) ||
        ReadAt<uint64_t>(address, 32) != (processId ^ kSignature2Mask))
      continue;
    records.push_back({i, address, ReadAt<int32_t>(address, 0), ReadAt<uint32_t>(address, 16),
                       ReadAt<uint32_t>(address, 20), ReadAt<uint32_t>(address, 24)});
  }
  return records;
}

bool CandidateIsFree(int index) {
  void* wanted = reinterpret_cast<void*>(RecordCandidate(index));
  void* page = VirtualAlloc(wanted, PageSize(), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (page) VirtualFree(page, 0, MEM_RELEASE);
  return page == wanted;
}

TPtsImg ToPixelArray(const Bitmap24& image) {
  // Not zeroed first: the copy writes every byte, its threads taking the fresh pages' faults side by side.
  TPtsImg pixels = TPtsImg::Uninitialised(int32_t(image.pixels.size()));
  if (!image.pixels.empty())
    CopyOverThreads(pixels.Data(), image.pixels.data(), image.pixels.size() * sizeof(Pixel24));
  return pixels;
}

Bitmap24 FromPixelArray(const TPtsImg& pixels, int32_t width, int32_t height) {
  Bitmap24 image;
  image.width = width;
  image.height = height;
  const size_t count = size_t(width) * size_t(height);
  image.pixels.assign(count, Pixel24{0, 0, 0});
  const size_t available = size_t(pixels.Length());
  if (available) std::memcpy(image.pixels.data(), pixels.Data(), (count < available ? count : available) * sizeof(Pixel24));
  return image;
}

}  // namespace molvane::host
