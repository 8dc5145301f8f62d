// The host's completion callback: records every call the plug-in makes.
#include "host/callback_recorder.h"

namespace molvane::host {
namespace {

template <int Slot>
void MOLVANE_STDCALL RecordingCallback(int32_t userValue, int32_t width, int32_t height,
                                       int32_t reserved1, int32_t reserved2, int32_t actionCode,
                                       intptr_t actionData, int32_t applied, int32_t finished) {
  // Nothing may throw back into the plug-in.
  try {
    CallbackRecorder::Instance().Record({Slot, userValue, width, height, reserved1, reserved2,
                                         actionCode, actionData, applied, finished});
  } catch (...) {
  }
}

}  // namespace

CallbackRecorder& CallbackRecorder::Instance() {
  static CallbackRecorder recorder;
  return recorder;
}

HostCallback CallbackRecorder::Callback(int slot) const {
  return slot == 0 ? &RecordingCallback<0> : &RecordingCallback<1>;
}

void CallbackRecorder::Record(const CallbackCall& call) {
  calls_.push_back(call);
  if (hook_) hook_(call);
}

}  // namespace molvane::host
