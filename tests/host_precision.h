// The x87 set-up many hosts run with: 53-bit precision, so tests can call in as they do.
#pragma once

#include <cstdint>

#include "colour/extended_math.h"

namespace molvane::testing {

class HostPrecision53 : public X87ControlWordScope {
 public:
  static constexpr uint16_t kWord = 0x027F;  // all exceptions masked, 53-bit, nearest
  HostPrecision53() : X87ControlWordScope(kWord) {}
  static uint16_t Current() { return X87ControlWord(); }
};

}  // namespace molvane::testing
