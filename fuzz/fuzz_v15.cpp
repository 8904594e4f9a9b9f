// libFuzzer harness: the v15 decoder over arbitrary members.
#include "fuzz/lz_member_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rar::fuzz::runLzMembers(rar::Family::v15, data, size);
  return 0;
}
