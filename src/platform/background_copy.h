// A memory copy made on a thread of its own while the caller goes on: a work copy made while a dialog builds its windows.
#pragma once

#include <cstddef>

#include "platform/threads.h"

namespace molvane {

// Copies `bytes` from `source` to `destination` on a thread of its own (on
// the calling thread, before the constructor returns, when no thread starts).
// Neither block may be written, nor the destination read, until Wait has
// returned; the destructor waits too.
class BackgroundCopy {
 public:
  BackgroundCopy(void* destination, const void* source, size_t bytes);
  ~BackgroundCopy() { Wait(); }
  BackgroundCopy(const BackgroundCopy&) = delete;
  BackgroundCopy& operator=(const BackgroundCopy&) = delete;

  // Returns once every byte is in place.
  void Wait() { thread_.Join(); }

 private:
  static void Copy(void* self);

  void* destination_;
  const void* source_;
  size_t bytes_;
  WorkerThread thread_;
};

}  // namespace molvane
