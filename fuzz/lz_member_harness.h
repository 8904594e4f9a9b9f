#pragma once
// Shared body of the v15 and v20 harnesses: up to three members of one
// decoder, each with sizes and flags from the input, the later ones possibly
// solid. The decoder must never produce more than the declared size.

#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_params.h"
#include "rar/decoder.h"

namespace rar::fuzz {

class SliceInput : public PackedInput {
 public:
  SliceInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  Result<size_t> read(uint8_t* buffer, size_t size) override {
    const size_t n = size < size_ - pos_ ? size : size_ - pos_;
    if (n) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class CountingOutput : public DecodedOutput {
 public:
  Status write(const uint8_t* data, size_t size) override {
    if (size && data) checksum_ += data[size - 1];
    total += size;
    return Status::success();
  }
  uint64_t total = 0;

 private:
  uint32_t checksum_ = 0;
};

inline void runLzMembers(Family family, const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  DecoderLimits limits;
  limits.maxDictionary = uint64_t(4) << 20;
  Result<std::unique_ptr<Decoder>> decoder = makeDecoder(family, limits);
  if (!decoder.ok()) std::abort();
  const unsigned members = 1 + in.byte() % 3;
  for (unsigned i = 0; i < members; ++i) {
    const uint8_t flags = in.byte();
    MemberParams p;
    p.family = family;
    p.unpackedSize = in.u16() * uint64_t(1 + (flags >> 6));
    p.sizeKnown = (flags & 0x01) == 0;
    p.solid = i > 0 && (flags & 0x02) != 0;
    p.dictionarySize = uint64_t(0x10000) << ((flags >> 2) & 7);
    size_t packedSize = 0;
    const uint8_t* packed = in.take(i + 1 == members ? in.restSize() : in.u16(), &packedSize);
    SliceInput input(packed, packedSize);
    CountingOutput out;
    Status s = (*decoder)->decode(p, input, out);
    if (p.sizeKnown && out.total > p.unpackedSize) std::abort();
    if (s.ok() && p.sizeKnown && out.total != p.unpackedSize) std::abort();
  }
}

}  // namespace rar::fuzz
