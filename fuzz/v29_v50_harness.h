#pragma once
// Shared body of the v29 and v50 harnesses: up to three members through one
// decoder, with sizes, dictionary, algorithm version and solid flags taken
// from the input. Layout: member count byte, then per member a flags byte
// (0x01 size unknown, 0x02 solid, 0x1C dictionary shift, 0x20 RAR 7
// distance codes), a 20-bit unpacked size (24 bits stored) and, except for the last member,
// a 16-bit packed size; the last member takes the rest.

#include <cstdlib>

#include "fuzz/fuzz_params.h"
#include "fuzz/lz_member_harness.h"
#include "rar/decoder.h"

namespace rar::fuzz {

inline void runMembers(Family family, const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  DecoderLimits limits;
  limits.maxDictionary = uint64_t(16) << 20;
  Result<std::unique_ptr<Decoder>> decoder = makeDecoder(family, limits);
  if (!decoder.ok()) std::abort();
  const unsigned members = 1 + in.byte() % 3;
  for (unsigned i = 0; i < members; ++i) {
    const uint8_t flags = in.byte();
    MemberParams p;
    p.family = family;
    p.algorithmVersion = (flags & 0x20) ? 1 : 0;
    p.sizeKnown = (flags & 0x01) == 0;
    p.solid = i > 0 && (flags & 0x02) != 0;
    p.dictionarySize = (family == Family::v50 ? uint64_t(0x20000) : uint64_t(0x10000)) << ((flags >> 2) & 7);
    p.unpackedSize = in.u16() | uint64_t(in.byte() & 0x0F) << 16;  // up to 1 MB keeps runs fast
    size_t packedSize = 0;
    const uint8_t* packed = in.take(i + 1 == members ? in.restSize() : in.u16(), &packedSize);
    SliceInput input(packed, packedSize);
    CountingOutput out;
    Status s = (*decoder)->decode(p, input, out);
    // Never more than declared; success means exactly the declared size.
    if (p.sizeKnown && out.total > p.unpackedSize) std::abort();
    if (s.ok() && p.sizeKnown && out.total != p.unpackedSize) std::abort();
  }
}

}  // namespace rar::fuzz
