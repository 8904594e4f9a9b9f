// libFuzzer harness: the v20 decoder (LZ and multimedia) over arbitrary members.
#include "fuzz/lz_member_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rar::fuzz::runLzMembers(rar::Family::v20, data, size);
  return 0;
}
