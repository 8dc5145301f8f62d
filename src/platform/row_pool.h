// The row pool: a full-image step splits its rows (or pixels) over the machine's hardware threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace molvane {

// Runs part(begin, end) on contiguous pieces covering [0, count) once each,
// one piece per thread, each piece a multiple of `grain` long but the last.
// Below `minimumParallel` elements (too small to gain), or with one thread,
// part(0, count) runs on the calling thread alone. The threads start on the
// first use that needs them. Every piece, the caller's included, runs in the
// plug-in's floating-point set-up, so a step whose result for an element
// depends only on its inputs gives the same bytes for any thread count. An
// exception thrown by a piece is rethrown to the caller after all pieces end.
// Below this many pixels a full-image step stays on the calling thread:
// waking threads would cost about what they gain (a 320 x 320 preview is 0.1 Mpx).
constexpr int64_t kParallelPixels = int64_t(1) << 18;

void SplitOverThreads(int64_t count, int64_t grain, int64_t minimumParallel,
                      const std::function<void(int64_t, int64_t)>& part);

// memcpy split over the pool: a work copy of a large image lands in fresh
// pages, whose first touch costs more than the copy itself, and the threads
// take those faults side by side.
void CopyOverThreads(void* destination, const void* source, size_t bytes);

// How many threads the pool uses; 0 means every hardware thread. The
// default is MOLVANE_THREADS from the environment, or 0.
void SetPoolThreads(int threads);
int PoolThreads();

// Ends the pool's threads (the next use starts them again). Called when a
// tool's run ends, from the host's thread: never from DllMain, where waiting
// for a thread would wait for the loader lock held by the waiter.
void StopPool();

// Ends the pool's threads as the library unloads, from DllMain, while a
// tool may still be open: without waiting for them (WorkerThread::
// EndWhileWaiting), so that nothing the library started outlives it.
void EndPoolAtUnload();

}  // namespace molvane
