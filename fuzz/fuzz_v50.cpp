// libFuzzer harness: the RAR 5/7 decoder (LZ and filters) over arbitrary members.
#include "fuzz/v29_v50_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rar::fuzz::runMembers(rar::Family::v50, data, size);
  return 0;
}
