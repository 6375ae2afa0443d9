#include "base/SimdPath.h"

namespace {

bool ProbeAvx2Fma() {
#if defined(__x86_64__) || defined(__i386__)
  // The compiler's probe also checks that the system saves the 256-bit registers.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

}  // namespace

SimdPath BestSimdPath() {
  static const SimdPath best = ProbeAvx2Fma() ? SimdPath::Avx2Fma : SimdPath::Portable;
  return best;
}

bool SimdPathRuns(SimdPath path) {
  return path == SimdPath::Portable || BestSimdPath() == SimdPath::Avx2Fma;
}
