#pragma once
// What the processor offers the checksum code, detected once per process.
// Setting the environment variable SETUPKIT_PORTABLE_CHECKSUMS (to
// anything) turns every fast path off: the tests run the same checks
// through the dispatch both ways, and a suspected fault in a fast path can
// be ruled out on a user's machine.

namespace rar {

struct ChecksumFeatures {
  bool sse2 = false;
  bool ssse3 = false;
  bool sse41 = false;
  bool pclmul = false;
};

const ChecksumFeatures& checksumFeatures();

}  // namespace rar
