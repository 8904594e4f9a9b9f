// libFuzzer harness: the PPMd variant H model. Up to four blocks, each with
// flags and memory from the input; the rest of the input is the coded data.
#include <cstdlib>

#include "fuzz/fuzz_params.h"
#include "rar/codec/ppmd_h.h"

namespace {

class RestInput : public rar::ppmd::ByteInput {
 public:
  explicit RestInput(rar::fuzz::FuzzInput& in) : in_(in) {}
  int readByte() override { return in_.restSize() ? in_.byte() : -1; }

 private:
  rar::fuzz::FuzzInput& in_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rar::fuzz::FuzzInput in(data, size);
  rar::ppmd::ModelH model;
  RestInput bytes(in);
  // Models up to 16 MB; larger ones must be refused, not allocated.
  const size_t maxMemory = size_t(16) << 20;
  for (int block = 0; block < 4 && in.restSize() > 0; ++block) {
    const uint8_t flags = in.byte() & 0x7F;
    const uint8_t memory = (flags & 0x20) ? in.byte() : 0;
    const uint32_t chars = in.u16();
    rar::Status s = model.startBlock(flags, memory, bytes, maxMemory);
    if (!s.ok()) continue;
    for (uint32_t i = 0; i < chars; ++i) {
      const int c = model.decodeChar(bytes);
      if (c < -1 || c > 255) std::abort();
      if (c < 0) break;
    }
  }
  return 0;
}
