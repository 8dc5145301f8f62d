// The row pool's threads: parked on a semaphore each, woken with a piece of one step.
#include "platform/row_pool.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cstdlib>
#include <exception>
#include <memory>
#include <vector>

#include "colour/extended_math.h"
#include "platform/threads.h"

namespace molvane {
namespace {

constexpr int kMaxThreads = 64;

// MOLVANE_THREADS, when set to a positive count, caps the pool as a host or
// a user wants (a machine shared with other work); 0 or unset: every thread.
int ThreadsFromEnvironment() {
  const char* text = std::getenv("MOLVANE_THREADS");
  return text ? std::clamp(std::atoi(text), 0, kMaxThreads) : 0;
}

class RowPool {
 public:
  void SetThreads(int threads) { requested_ = std::clamp(threads, 0, kMaxThreads); }
  int Threads() const {
    return requested_ > 0 ? requested_ : std::min(HardwareThreadCount(), kMaxThreads);
  }

  void Run(int64_t count, int64_t grain, const std::function<void(int64_t, int64_t)>& part) {
    grain = std::max<int64_t>(grain, 1);
    const int64_t grains = (count + grain - 1) / grain;
    int pieces = int(std::min<int64_t>(Threads(), grains));
    if (pieces > 1 && !busy_.exchange(true)) {
      struct Release {
        std::atomic<bool>& busy;
        ~Release() { busy = false; }
      } release{busy_};
      pieces = std::min(pieces, 1 + StartWorkers(pieces - 1));
      if (pieces > 1) {
        RunPieces(count, ((grains + pieces - 1) / pieces) * grain, pieces, part);
        return;
      }
    }
    ExtendedPrecisionScope scope;
    part(0, count);
  }

  void Stop() {
    for (auto& worker : workers_) {
      worker->stop = true;
      worker->wake.Post();
    }
    for (auto& worker : workers_) worker->thread.Join();
    workers_.clear();
  }

  // No step runs while the library unloads: every worker waits. Their
  // records are kept: each holds the semaphore its thread still waits on
  // until it has ended, after this returns.
  void EndAtUnload() {
    for (auto& worker : workers_) {
      worker->stop = true;
      worker->thread.EndWhileWaiting(worker->wake);
      ended_.push_back(std::move(worker));
    }
    workers_.clear();
  }

 private:
  struct Worker {
    RowPool* pool = nullptr;
    int piece = 0;
    bool stop = false;
    Semaphore wake;
    WorkerThread thread;
  };

  static void WorkerLoop(void* argument) {
    Worker& self = *static_cast<Worker*>(argument);
    self.wake.Wait();
    while (!self.stop) {
      self.pool->RunPiece(self.piece);
      // Done and waiting in one step: once the caller has seen every piece
      // done, no worker runs the library's code until the next step.
      PostAndWait(self.pool->done_, self.wake);
    }
  }

  // Starts workers until `wanted` exist; returns how many do.
  int StartWorkers(int wanted) {
    while (int(workers_.size()) < wanted) {
      auto worker = std::make_unique<Worker>();
      worker->pool = this;
      worker->piece = int(workers_.size()) + 1;
      if (!worker->thread.Start(WorkerLoop, worker.get())) break;
      workers_.push_back(std::move(worker));
    }
    return std::min(int(workers_.size()), wanted);
  }

  void RunPiece(int piece) {
    const int64_t begin = std::min(count_, piece * length_);
    const int64_t end = std::min(count_, begin + length_);
    try {
      ExtendedPrecisionScope scope;
      if (begin < end) (*part_)(begin, end);
    } catch (...) {
      failures_[size_t(piece)] = std::current_exception();
    }
  }

  void RunPieces(int64_t count, int64_t length, int pieces,
                 const std::function<void(int64_t, int64_t)>& part) {
    count_ = count;
    length_ = length;
    part_ = &part;
    failures_.assign(size_t(pieces), nullptr);
    for (int k = 1; k < pieces; ++k) workers_[size_t(k - 1)]->wake.Post();
    RunPiece(0);
    for (int k = 1; k < pieces; ++k) done_.Wait();
    for (const std::exception_ptr& failure : failures_)
      if (failure) std::rethrow_exception(failure);
  }

  int requested_ = ThreadsFromEnvironment();
  std::atomic<bool> busy_{false};
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<std::unique_ptr<Worker>> ended_;  // at unload; never freed, like the pool
  Semaphore done_;
  // The step being run, set before the workers are woken.
  int64_t count_ = 0;
  int64_t length_ = 0;
  const std::function<void(int64_t, int64_t)>* part_ = nullptr;
  std::vector<std::exception_ptr> failures_;
};

// Never destroyed: in the library a destructor would run from DllMain.
RowPool& Pool() {
  static RowPool* pool = new RowPool;
  return *pool;
}

}  // namespace

void SplitOverThreads(int64_t count, int64_t grain, int64_t minimumParallel,
                      const std::function<void(int64_t, int64_t)>& part) {
  if (count <= 0) return;
  if (count < minimumParallel) {
    ExtendedPrecisionScope scope;
    part(0, count);
    return;
  }
  Pool().Run(count, grain, part);
}

void CopyOverThreads(void* destination, const void* source, size_t bytes) {
  auto* to = static_cast<unsigned char*>(destination);
  const auto* from = static_cast<const unsigned char*>(source);
  // Whole pages to each piece, and the pool only where a 24-bit image would use it.
  SplitOverThreads(int64_t(bytes), 4096, 3 * kParallelPixels, [&](int64_t begin, int64_t end) {
    std::memcpy(to + begin, from + begin, size_t(end - begin));
  });
}

void SetPoolThreads(int threads) { Pool().SetThreads(threads); }
int PoolThreads() { return Pool().Threads(); }
void StopPool() { Pool().Stop(); }
void EndPoolAtUnload() { Pool().EndAtUnload(); }

}  // namespace molvane
