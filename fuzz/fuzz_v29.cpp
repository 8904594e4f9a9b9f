// libFuzzer harness: the RAR 2.9 decoder (LZ, PPMd, VM filters) over arbitrary members.
#include "fuzz/v29_v50_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rar::fuzz::runMembers(rar::Family::v29, data, size);
  return 0;
}
