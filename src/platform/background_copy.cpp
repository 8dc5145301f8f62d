// The background copy's thread: one memcpy, then it ends.
#include "platform/background_copy.h"

#include <cstring>

namespace molvane {

BackgroundCopy::BackgroundCopy(void* destination, const void* source, size_t bytes)
    : destination_(destination), source_(source), bytes_(bytes) {
  if (bytes_ == 0) return;
  if (!thread_.Start(&BackgroundCopy::Copy, this)) Copy(this);
}

void BackgroundCopy::Copy(void* self) {
  auto& copy = *static_cast<BackgroundCopy*>(self);
  std::memcpy(copy.destination_, copy.source_, copy.bytes_);
}

}  // namespace molvane
