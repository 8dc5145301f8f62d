// Thread services from the C++ library, for the native build.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/threads.h"

namespace molvane {
namespace {

struct Counter {
  std::mutex lock;
  std::condition_variable changed;
  long count = 0;
};

Counter& Of(void* state) { return *static_cast<Counter*>(state); }

}  // namespace

Semaphore::Semaphore() : state_(new Counter) {}
Semaphore::~Semaphore() { delete &Of(state_); }

void Semaphore::Post() {
  Counter& c = Of(state_);
  {
    std::lock_guard<std::mutex> hold(c.lock);
    ++c.count;
  }
  c.changed.notify_one();
}

void Semaphore::Wait() {
  Counter& c = Of(state_);
  std::unique_lock<std::mutex> hold(c.lock);
  c.changed.wait(hold, [&] { return c.count > 0; });
  --c.count;
}

void PostAndWait(Semaphore& posted, Semaphore& awaited) {
  posted.Post();
  awaited.Wait();
}

bool WorkerThread::Start(void (*entry)(void*), void* argument) {
  Join();
  try {
    handle_ = new std::thread(entry, argument);
  } catch (...) {
    handle_ = nullptr;
  }
  return handle_ != nullptr;
}

void WorkerThread::Join() {
  if (!handle_) return;
  auto* thread = static_cast<std::thread*>(handle_);
  thread->join();
  delete thread;
  handle_ = nullptr;
}

void WorkerThread::EndWhileWaiting(Semaphore& wake) {
  if (!handle_) return;
  wake.Post();
  Join();
}

int HardwareThreadCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? int(n) : 1;
}

}  // namespace molvane
