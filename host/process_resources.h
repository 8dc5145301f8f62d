// What this process holds of the system's objects, to see that hours of work leave nothing behind.
#pragma once

#include <cstddef>
#include <string>

namespace molvane::host {

struct ProcessResources {
  size_t gdiObjects = 0;    // bitmaps, DCs, brushes, fonts, regions
  size_t windows = 0;       // the USER objects that leak in practice: windows of the process, children included
  size_t kernelHandles = 0;
  size_t privateBytes = 0;  // committed memory of the process's own
  size_t heapBytes = 0;     // blocks in use in every heap of the process: what a leak of memory shows in first
};

// Counted where the system gives the counts (GetGuiResources) and, where it
// does not (Wine answers 0), from what the process can see of itself: the
// GDI handle table mapped in it, its windows, the handle values that answer,
// its committed private pages, its heaps walked block by block.
ProcessResources CountProcessResources();

// "GDI 41, fenêtres 12, handles 35, mémoire privée 18,4 Mo, tas 3416064 octets"
std::string DescribeResources(const ProcessResources& resources);

}  // namespace molvane::host
