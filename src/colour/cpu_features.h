// What the processor running the plug-in offers beyond the SSE2 both builds assume.
#pragma once

namespace molvane {

// Asked once; the kernels that use AVX2 are compiled for it one by one
// (target attributes), so the rest of the library runs on any SSE2 processor.
inline bool CpuHasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

}  // namespace molvane
