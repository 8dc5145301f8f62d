// The few thread services the row pool needs: a thread, a counting semaphore, the processor count.
#pragma once

namespace molvane {

// A counting semaphore: Post adds one, Wait takes one, blocking while none is there.
// Posting and taking order memory like a lock's release and acquire.
class Semaphore {
 public:
  Semaphore();
  ~Semaphore();
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;
  void Post();
  void Wait();

 private:
  void* state_;
};

// A thread running entry(argument) until it returns. Join waits for the end
// and releases the thread; a thread that could not start joins at once.
class WorkerThread {
 public:
  WorkerThread() = default;
  ~WorkerThread() { Join(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  bool Start(void (*entry)(void*), void* argument);
  void Join();

 private:
  void* handle_ = nullptr;
};

// The hardware threads the system offers this process, at least 1.
int HardwareThreadCount();

}  // namespace molvane
