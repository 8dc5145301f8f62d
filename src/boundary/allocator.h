// The allocator entry points a module allocates through, switchable to the table a host publishes.
#pragma once

#include <cstdint>

// The host's allocator is called in the register convention: arguments in
// EAX, EDX, ECX, result in EAX. Only the 32-bit build has it; the native build
// uses the plain convention, which is enough for its tests.
#if defined(__i386__)
#define MOLVANE_REGISTER_CALL __attribute__((regparm(3)))
#else
#define MOLVANE_REGISTER_CALL
#endif

namespace molvane {

using AllocateFn = void*(MOLVANE_REGISTER_CALL*)(int32_t size);
using FreeFn = int32_t(MOLVANE_REGISTER_CALL*)(void* block);  // 0 = success
using ReallocateFn = void*(MOLVANE_REGISTER_CALL*)(void* block, int32_t size);

// In this order in the shared record: allocate, free, reallocate.
struct AllocatorTable {
  AllocateFn Allocate;
  FreeFn Free;
  ReallocateFn Reallocate;
};

// This module's own allocator (the C runtime's heap behind the table's convention).
AllocatorTable OwnAllocator();

// The table this module allocates shared blocks through right now: its own
// until it joins a host's allocator, the host's from then until it detaches.
AllocatorTable& ModuleAllocator();

}  // namespace molvane
