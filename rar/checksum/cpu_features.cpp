#include "rar/checksum/cpu_features.h"

#include <cstdlib>

namespace rar {
namespace {

ChecksumFeatures detect() {
  ChecksumFeatures f;
  if (std::getenv("SETUPKIT_PORTABLE_CHECKSUMS") != nullptr) return f;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  f.sse2 = __builtin_cpu_supports("sse2");
  f.ssse3 = f.sse2 && __builtin_cpu_supports("ssse3");
  f.sse41 = f.ssse3 && __builtin_cpu_supports("sse4.1");
  f.pclmul = f.sse2 && __builtin_cpu_supports("pclmul");
#endif
  return f;
}

}  // namespace

const ChecksumFeatures& checksumFeatures() {
  static const ChecksumFeatures features = detect();  // the processor does not change
  return features;
}

}  // namespace rar
