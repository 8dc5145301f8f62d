// The process's objects counted from inside.
#include "host/process_resources.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>

namespace molvane::host {
namespace {

// One entry of the GDI handle table the system maps in every process (the
// layout Wine shares with 32-bit Windows); a free entry has type 0.
#pragma pack(push, 1)
struct GdiHandleEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24, "the table's entries are 24 bytes");
constexpr size_t kGdiHandles = 0x10000;
// PEB.GdiSharedHandleTable in a 32-bit process.
constexpr size_t kGdiTableOffset = 0x94;

// The batch host imports nothing that loads user32 (its record must come
// first): user32's functions are looked up where it is already loaded.
template <typename Function>
Function User32(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

size_t GdiObjects() {
  using GuiResources = DWORD(WINAPI*)(HANDLE, DWORD);
  if (auto counted = User32<GuiResources>("GetGuiResources")) {
    if (const DWORD objects = counted(GetCurrentProcess(), 0 /* GR_GDIOBJECTS */)) return objects;
  }
#if defined(_WIN64)
  return 0;
#else
  const auto* peb = reinterpret_cast<const uint8_t*>(NtCurrentTeb()->ProcessEnvironmentBlock);
  const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + kGdiTableOffset);
  if (!table) return 0;
  size_t used = 0;
  for (size_t i = 0; i < kGdiHandles; ++i) used += table[i].type != 0;
  return used;
#endif
}

using EnumerateWindows = BOOL(WINAPI*)(WNDENUMPROC, LPARAM);
using EnumerateChildren = BOOL(WINAPI*)(HWND, WNDENUMPROC, LPARAM);
using WindowProcess = DWORD(WINAPI*)(HWND, DWORD*);

struct WindowCount {
  EnumerateChildren children;
  WindowProcess processOf;
  size_t count;
};

BOOL CALLBACK CountChild(HWND, LPARAM data) {
  ++reinterpret_cast<WindowCount*>(data)->count;
  return TRUE;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM data) {
  auto* counting = reinterpret_cast<WindowCount*>(data);
  DWORD process = 0;
  counting->processOf(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  ++counting->count;
  counting->children(window, CountChild, data);
  return TRUE;
}

size_t Windows() {
  const auto windows = User32<EnumerateWindows>("EnumWindows");
  WindowCount counting{User32<EnumerateChildren>("EnumChildWindows"), User32<WindowProcess>("GetWindowThreadProcessId"),
                       0};
  if (!windows || !counting.children || !counting.processOf) return 0;
  windows(CountOwnWindow, reinterpret_cast<LPARAM>(&counting));
  return counting.count;
}

size_t KernelHandles() {
  DWORD counted = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &counted) && counted) return counted;
  // Handle values are multiples of 4 from 4: those that answer are open.
  constexpr uintptr_t kProbed = 1 << 16;
  size_t open = 0;
  for (uintptr_t value = 4; value < kProbed; value += 4) {
    DWORD flags = 0;
    open += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
  }
  return open;
}

size_t PrivateBytes() {
  size_t bytes = 0;
  MEMORY_BASIC_INFORMATION region;
  for (uintptr_t at = 0; VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == sizeof region;) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
    const uintptr_t next = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return bytes;
}

// Freed memory stays committed for the heap to use again, so private bytes
// hide a leak until that free room is gone: the blocks in use do not.
size_t HeapBytes() {
  HANDLE heaps[64];
  const DWORD count = GetProcessHeaps(64, heaps);
  size_t bytes = 0;
  for (DWORD i = 0; i < count && i < 64; ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[i], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
    HeapUnlock(heaps[i]);
  }
  return bytes;
}

}  // namespace

ProcessResources CountProcessResources() {
  return {GdiObjects(), Windows(), KernelHandles(), PrivateBytes(), HeapBytes()};
}

std::string DescribeResources(const ProcessResources& resources) {
  constexpr double kMegabyte = 1024.0 * 1024.0;
  char text[160];
  std::snprintf(text, sizeof text, "GDI %u, fenêtres %u, handles %u, mémoire privée %.1f Mo, tas %u octets",
                unsigned(resources.gdiObjects), unsigned(resources.windows), unsigned(resources.kernelHandles),
                double(resources.privateBytes) / kMegabyte, unsigned(resources.heapBytes));
  // The decimal comma a French reader expects.
  for (char* c = text; *c; ++c)
    if (*c == '.') *c = ',';
  return text;
}

}  // namespace molvane::host
