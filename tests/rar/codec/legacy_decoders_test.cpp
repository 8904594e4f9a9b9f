// The v15 and v20 decoders on streams written by the RAR tool (the shared
// test archives), and the behaviour every decoder owes its caller: errors of
// the input and output passed on unchanged, truncation detected, the solid
// state poisoned after a failure.

#include <gtest/gtest.h>

#include <string>

#include "rar/decoder.h"
#include "tests/rar/codec/legacy_archive.h"
#include "tests/rar/codec/stream_builder.h"

namespace rar::codec::test {
namespace {

struct RealStream {
  const char* archive;
  size_t member;
  Family family;
};

// One member of each kind: v15 text, v15 binary, v20 LZ, v20 multimedia.
const RealStream kRealStreams[] = {
    {"rar/sharpcompress/Rar15.rar", 4, Family::v15},
    {"rar/sharpcompress/Rar15.rar", 1, Family::v15},
    {"rar/sharpcompress/Rar2.rar", 4, Family::v20},
    {"rar/junrar/BoatModernEnglish-audio-text-unpack20.rar", 0, Family::v20},
};

LegacyMember loadMember(const RealStream& r) {
  std::vector<LegacyMember> members = readLegacyMembers(std::string(SETUPKIT_TESTDATA_DIR) + "/" + r.archive);
  if (r.member >= members.size()) return {};
  return members[r.member];
}

MemberParams paramsFor(const LegacyMember& m, Family family, bool solid = false) {
  MemberParams p;
  p.family = family;
  p.unpackedSize = m.unpackedSize;
  p.dictionarySize = m.dictionary;
  p.solid = solid;
  return p;
}

std::unique_ptr<Decoder> decoderFor(Family family, DecoderLimits limits = {}) {
  Result<std::unique_ptr<Decoder>> d = makeDecoder(family, limits);
  EXPECT_TRUE(d.ok()) << d.status().toString();
  return d.ok() ? std::move(d.value()) : nullptr;
}

class RejectingOutput : public DecodedOutput {
 public:
  Status write(const uint8_t*, size_t) override { return Status(Error::aborted, "stop"); }
};

TEST(LegacyDecoders, RealStreamsDecodeToTheirCrc) {
  for (size_t i = 0; i < std::size(kRealStreams); ++i) {
    const RealStream& r = kRealStreams[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << r.archive << " #" << r.member);
    LegacyMember m = loadMember(r);
    ASSERT_FALSE(m.packed.empty());
    auto decoder = decoderFor(r.family);
    // Whole buffers and tiny pieces: the bit reader's refills must not matter.
    for (size_t piece : {SIZE_MAX, size_t(1), size_t(7)}) {
      MemoryInput in(m.packed, piece);
      CollectOutput out;
      Status s = decoder->decode(paramsFor(m, r.family), in, out);
      ASSERT_TRUE(s.ok()) << "piece " << piece << ": " << s.toString();
      EXPECT_EQ(out.bytes.size(), m.unpackedSize);
      EXPECT_EQ(crc32Of(out.bytes), m.crc) << "piece " << piece;
      // Output comes in large chunks, not per symbol.
      EXPECT_LE(out.writes, 2 + m.unpackedSize / 0x8000);
    }
  }
}

TEST(LegacyDecoders, DeclaredSizeBoundsTheOutput) {
  for (size_t i = 0; i < std::size(kRealStreams); ++i) {
    const RealStream& r = kRealStreams[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << r.archive);
    LegacyMember m = loadMember(r);
    ASSERT_FALSE(m.packed.empty());
    auto decoder = decoderFor(r.family);
    CollectOutput full;
    MemoryInput in1(m.packed);
    ASSERT_TRUE(decoder->decode(paramsFor(m, r.family), in1, full).ok());
    // A smaller declared size stops exactly there, even inside a match.
    for (uint64_t size : {uint64_t(1), uint64_t(100), m.unpackedSize / 2 + 1}) {
      MemberParams p = paramsFor(m, r.family);
      p.unpackedSize = size;
      MemoryInput in(m.packed);
      CollectOutput out;
      ASSERT_TRUE(decoder->decode(p, in, out).ok());
      ASSERT_EQ(out.bytes.size(), size);
      EXPECT_TRUE(std::equal(out.bytes.begin(), out.bytes.end(), full.bytes.begin())) << "size " << size;
    }
  }
}

TEST(LegacyDecoders, TruncatedStreamsFailOrAreExact) {
  for (size_t i = 0; i < std::size(kRealStreams); ++i) {
    const RealStream& r = kRealStreams[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << r.archive);
    LegacyMember m = loadMember(r);
    ASSERT_FALSE(m.packed.empty());
    auto decoder = decoderFor(r.family);
    CollectOutput full;
    MemoryInput whole(m.packed);
    ASSERT_TRUE(decoder->decode(paramsFor(m, r.family), whole, full).ok());
    const size_t step = std::max<size_t>(1, m.packed.size() / 300);
    for (size_t cut = 0; cut < m.packed.size(); cut += step) {
      std::vector<uint8_t> prefix(m.packed.begin(), m.packed.begin() + static_cast<std::ptrdiff_t>(cut));
      MemoryInput in(prefix);
      CollectOutput out;
      Status s = decoder->decode(paramsFor(m, r.family), in, out);
      // The last byte or two may be padding; otherwise a cut is an error.
      if (s.ok()) {
        EXPECT_GE(cut + 2, m.packed.size()) << "cut " << cut;
        EXPECT_EQ(out.bytes, full.bytes) << "cut " << cut;
      } else {
        EXPECT_EQ(s.error(), Error::corruptData) << "cut " << cut << ": " << s.toString();
      }
    }
  }
}

TEST(LegacyDecoders, InputAndOutputFailuresPassThrough) {
  for (size_t i = 0; i < std::size(kRealStreams); ++i) {
    const RealStream& r = kRealStreams[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << r.archive);
    LegacyMember m = loadMember(r);
    ASSERT_FALSE(m.packed.empty());
    auto decoder = decoderFor(r.family);

    std::vector<uint8_t> half(m.packed.begin(), m.packed.begin() + static_cast<std::ptrdiff_t>(m.packed.size() / 2));
    FailingInput failing(half, Status(Error::missingVolume, "next volume"));
    CollectOutput out;
    Status s = decoder->decode(paramsFor(m, r.family), failing, out);
    EXPECT_EQ(s.error(), Error::missingVolume) << s.toString();

    MemoryInput in(m.packed);
    RejectingOutput rejecting;
    s = decoder->decode(paramsFor(m, r.family), in, rejecting);
    EXPECT_EQ(s.error(), Error::aborted) << s.toString();
  }
}

TEST(LegacyDecoders, SolidStateIsPoisonedByAFailure) {
  for (size_t i = 0; i < std::size(kRealStreams); ++i) {
    const RealStream& r = kRealStreams[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << r.archive);
    LegacyMember m = loadMember(r);
    ASSERT_FALSE(m.packed.empty());
    auto decoder = decoderFor(r.family);

    // A solid member needs a preceding member.
    {
      MemoryInput in(m.packed);
      CollectOutput out;
      EXPECT_EQ(decoder->decode(paramsFor(m, r.family, true), in, out).error(), Error::corruptData);
    }
    // A failed member poisons the run.
    std::vector<uint8_t> cut(m.packed.begin(), m.packed.begin() + 8);
    MemoryInput bad(cut);
    CollectOutput out1;
    ASSERT_FALSE(decoder->decode(paramsFor(m, r.family), bad, out1).ok());
    {
      MemoryInput in(m.packed);
      CollectOutput out;
      Status s = decoder->decode(paramsFor(m, r.family, true), in, out);
      EXPECT_EQ(s.error(), Error::corruptData) << s.toString();
    }
    // A non-solid member starts afresh.
    MemoryInput in(m.packed);
    CollectOutput out;
    ASSERT_TRUE(decoder->decode(paramsFor(m, r.family), in, out).ok());
    EXPECT_EQ(crc32Of(out.bytes), m.crc);
  }
}

TEST(LegacyDecoders, DictionaryPolicy) {
  LegacyMember m = loadMember(kRealStreams[2]);
  ASSERT_FALSE(m.packed.empty());
  struct Case {
    Family family;
    uint64_t dictionary;
    uint64_t limit;
    Error expected;
  };
  const Case cases[] = {
      {Family::v20, uint64_t(4) << 20, uint64_t(1) << 20, Error::unsupported},  // beyond the policy limit
      {Family::v20, 0, uint64_t(1) << 30, Error::corruptData},                   // zero-size dictionary
      {Family::v20, uint64_t(8) << 20, uint64_t(1) << 30, Error::corruptData},   // beyond what RAR 2.0 can state
      {Family::v15, 0x10000, 0x8000, Error::unsupported},                        // the fixed 64 KB window
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    DecoderLimits limits;
    limits.maxDictionary = c.limit;
    auto decoder = decoderFor(c.family, limits);
    MemberParams p = paramsFor(m, c.family);
    p.dictionarySize = c.dictionary;
    MemoryInput in(m.packed);
    CollectOutput out;
    Status s = decoder->decode(p, in, out);
    EXPECT_EQ(s.error(), c.expected) << s.toString();
    EXPECT_TRUE(out.bytes.empty());
  }
}

}  // namespace
}  // namespace rar::codec::test
