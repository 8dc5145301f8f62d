// The host's completion callback: records every call the plug-in makes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "boundary/exports.h"

namespace molvane::host {

struct CallbackCall {
  int slot;  // which of the recorder's callback functions was called
  int32_t userValue;
  int32_t width;
  int32_t height;
  int32_t reserved1;
  int32_t reserved2;
  int32_t actionCode;
  intptr_t actionData;
  int32_t applied;  // only its low byte is defined
  int32_t finished;
};

// One recorder per process: the plug-in gives a callback nothing but its user
// value, which tests want to check rather than trust. Two distinct functions
// (slots 0 and 1) tell which registration the plug-in used.
class CallbackRecorder {
 public:
  static constexpr int kSlots = 2;
  static CallbackRecorder& Instance();

  HostCallback Callback(int slot) const;
  const std::vector<CallbackCall>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  // Runs inside each call, after it is recorded and before it returns to
  // the plug-in: where a host looks at the plug-in's state mid-call.
  void DuringCall(std::function<void(const CallbackCall&)> hook) { hook_ = std::move(hook); }

  void Record(const CallbackCall& call);

 private:
  std::vector<CallbackCall> calls_;
  std::function<void(const CallbackCall&)> hook_;
};

}  // namespace molvane::host
