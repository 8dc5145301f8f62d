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
  friend void PostAndWait(Semaphore& posted, Semaphore& awaited);
  void* state_;
};

// Posts `posted` and waits on `awaited` in one step: a thread seen through
// `posted` to be done is already waiting, and runs no more of its code
// unless `awaited` is posted.
void PostAndWait(Semaphore& posted, Semaphore& awaited);

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
  // Ends the thread while it waits on `wake`, in a loop that returns once
  // woken with its end asked for, and releases it. Windows: without waiting
  // for the end, which would wait for the loader lock a library's unloading
  // holds; the thread ends inside its wait and runs none of the library's
  // code again, so the library may go at once; `wake` must stay until the
  // thread has ended, after the call returns. Where no code is unloaded
  // (the native build), the thread is woken through `wake` and joined.
  void EndWhileWaiting(Semaphore& wake);

 private:
  void* handle_ = nullptr;
};

// The hardware threads the system offers this process, at least 1.
int HardwareThreadCount();

}  // namespace molvane
