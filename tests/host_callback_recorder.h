// Records every call the plug-in makes to the host's callback.
#pragma once

#include <cstdint>
#include <vector>

#include "boundary/exports.h"
#include "ui/screen_cursor.h"

namespace molvane::testing {

struct HostCall {
  int32_t userValue, width, height, reserved1, reserved2, actionCode;
  intptr_t actionData;
  int32_t applied, finished;
  ScreenCursor cursor;  // the cursor the host saw during the call
};

inline std::vector<HostCall>& HostCalls() {
  static std::vector<HostCall> calls;
  return calls;
}

inline void MOLVANE_STDCALL RecordHostCall(int32_t userValue, int32_t width, int32_t height,
                                           int32_t reserved1, int32_t reserved2,
                                           int32_t actionCode, intptr_t actionData,
                                           int32_t applied, int32_t finished) {
  HostCalls().push_back({userValue, width, height, reserved1, reserved2, actionCode, actionData,
                         applied, finished, CurrentScreenCursor()});
}

}  // namespace molvane::testing
