// Thread services from Win32: the windows build's threading model has no std::thread.
#include <windows.h>

#include "platform/threads.h"

namespace molvane {
namespace {

struct ThreadStart {
  void (*entry)(void*);
  void* argument;
};

DWORD WINAPI Trampoline(LPVOID parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  start.entry(start.argument);
  return 0;
}

}  // namespace

Semaphore::Semaphore() : state_(::CreateSemaphoreA(nullptr, 0, 0x7FFFFFFF, nullptr)) {}
Semaphore::~Semaphore() {
  if (state_) ::CloseHandle(state_);
}
void Semaphore::Post() { ::ReleaseSemaphore(state_, 1, nullptr); }

// Alertable, so that EndWhileWaiting's call reaches the thread where it waits.
void Semaphore::Wait() {
  while (::WaitForSingleObjectEx(state_, INFINITE, TRUE) == WAIT_IO_COMPLETION) {
  }
}

void PostAndWait(Semaphore& posted, Semaphore& awaited) {
  if (::SignalObjectAndWait(posted.state_, awaited.state_, INFINITE, TRUE) == WAIT_IO_COMPLETION) awaited.Wait();
}

bool WorkerThread::Start(void (*entry)(void*), void* argument) {
  Join();
  auto* start = new ThreadStart{entry, argument};
  handle_ = ::CreateThread(nullptr, 0, Trampoline, start, 0, nullptr);
  if (!handle_) delete start;
  return handle_ != nullptr;
}

void WorkerThread::Join() {
  if (!handle_) return;
  ::WaitForSingleObject(handle_, INFINITE);
  ::CloseHandle(handle_);
  handle_ = nullptr;
}

void WorkerThread::EndWhileWaiting(Semaphore&) {
  if (!handle_) return;
  // ExitThread itself, the system's, runs as the call: none of this
  // library's code comes between the wait and the thread's end.
  ::QueueUserAPC(reinterpret_cast<PAPCFUNC>(reinterpret_cast<void*>(&::ExitThread)), handle_, 0);
  ::CloseHandle(handle_);
  handle_ = nullptr;
}

int HardwareThreadCount() {
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? int(info.dwNumberOfProcessors) : 1;
}

}  // namespace molvane
