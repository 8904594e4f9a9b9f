// The PPMd variant H model on streams the RAR tool wrote, and its refusals:
// a block without a model, order 1, a model beyond the memory limit, use
// after an error.

#include <gtest/gtest.h>

#include <string>

#include "rar/codec/ppmd_h.h"
#include "tests/rar/codec/legacy_archive.h"

namespace rar::codec::test {
namespace {

class Bytes : public ppmd::ByteInput {
 public:
  explicit Bytes(std::vector<uint8_t> data, size_t pos = 0) : data_(std::move(data)), pos_(pos) {}
  int readByte() override { return pos_ < data_.size() ? data_[pos_++] : -1; }
  size_t pos() const { return pos_; }

 private:
  std::vector<uint8_t> data_;
  size_t pos_;
};

// Decodes a v29 member that is one PPMd run from its first byte: the block
// header bytes, then characters with the v29 escapes for matches and the end.
// Returns false on a model error or an escape this helper does not handle.
bool decodePpmdMember(const std::vector<uint8_t>& packed, uint64_t size, size_t maxMemory,
                      std::vector<uint8_t>& out, Status* startStatus = nullptr) {
  if (packed.size() < 2 || !(packed[0] & 0x80)) return false;
  const uint8_t flags = packed[0] & 0x7F;
  Bytes in(packed, 1);
  uint8_t memory = 0;
  if (flags & 0x20) memory = static_cast<uint8_t>(in.readByte());
  ppmd::ModelH model;
  if (flags & 0x40) model.setEscapeChar(in.readByte());
  Status s = model.startBlock(flags, memory, in, maxMemory);
  if (startStatus) *startStatus = s;
  if (!s.ok()) return false;
  while (out.size() < size) {
    const int c = model.decodeChar(in);
    if (c < 0) return false;
    if (c != model.escapeChar()) {
      out.push_back(static_cast<uint8_t>(c));
      continue;
    }
    const int code = model.decodeChar(in);
    if (code == 4) {
      uint32_t distance = 0;
      for (int i = 0; i < 3; ++i) distance = distance << 8 | static_cast<uint32_t>(model.decodeChar(in));
      const int length = model.decodeChar(in) + 32;
      distance += 2;
      if (distance > out.size()) return false;
      for (int i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
    } else if (code == 5) {
      const int length = model.decodeChar(in) + 4;
      if (out.empty()) return false;
      for (int i = 0; i < length; ++i) out.push_back(out.back());
    } else if (code == 0 || code == 2 || code == 3 || code < 0) {
      return false;
    } else {
      out.push_back(static_cast<uint8_t>(model.escapeChar()));
    }
  }
  out.resize(size);
  return true;
}

LegacyMember member(const char* archive, size_t index) {
  std::vector<LegacyMember> m = readLegacyMembers(std::string(SETUPKIT_TESTDATA_DIR) + "/" + archive);
  return index < m.size() ? m[index] : LegacyMember{};
}

TEST(PpmdH, RealStreamsDecodeToTheirCrc) {
  struct Case {
    const char* archive;
    size_t member;
  };
  const Case cases[] = {
      {"rar/unarr/lipsum_rar4_ppmd.rar", 0},
      {"rar/junrar/BoatModernEnglish-audio-text-unpack30.rar", 1},
      {"rar/junrar/legit-maxmb63.rar", 0},  // a 64 MB model
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << cases[i].archive);
    LegacyMember m = member(cases[i].archive, cases[i].member);
    ASSERT_FALSE(m.packed.empty());
    std::vector<uint8_t> out;
    ASSERT_TRUE(decodePpmdMember(m.packed, m.unpackedSize, size_t(256) << 20, out));
    EXPECT_EQ(crc32Of(out), m.crc);
  }
}

TEST(PpmdH, ModelThatRunsOutOfMemoryRestarts) {
  // The 64 MB stream squeezed into a 1 MB model: the model fills up after a
  // few thousand characters and restarts; from there on it no longer matches
  // the encoder's, so decoding must end in an error or run to the end without
  // fault, and everything before the restart is still right.
  LegacyMember m = member("rar/junrar/legit-maxmb63.rar", 0);
  ASSERT_GT(m.packed.size(), 2u);
  std::vector<uint8_t> good;
  ASSERT_TRUE(decodePpmdMember(m.packed, m.unpackedSize, size_t(256) << 20, good));
  std::vector<uint8_t> squeezed = m.packed;
  squeezed[1] = 0;  // model size 1 MB
  std::vector<uint8_t> out;
  decodePpmdMember(squeezed, m.unpackedSize, size_t(1) << 20, out);
  ASSERT_GE(out.size(), 1000u);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 1000, good.begin()));
}

TEST(PpmdH, TruncatedStreamFails) {
  LegacyMember m = member("rar/unarr/lipsum_rar4_ppmd.rar", 0);
  ASSERT_FALSE(m.packed.empty());
  // The range decoder may look a few bytes ahead; a cut further back than
  // that is always an error.
  for (size_t cut = 3; cut + 6 < m.packed.size(); cut += 17) {
    std::vector<uint8_t> prefix(m.packed.begin(), m.packed.begin() + static_cast<std::ptrdiff_t>(cut));
    std::vector<uint8_t> out;
    EXPECT_FALSE(decodePpmdMember(prefix, m.unpackedSize, size_t(16) << 20, out)) << "cut " << cut;
  }
}

TEST(PpmdH, BlockHeadersAreChecked) {
  struct Case {
    const char* name;
    uint8_t flags;
    uint8_t memoryMb;
    size_t maxMemory;
    Error expected;
  };
  const Case cases[] = {
      {"continuation without a model", 0x05, 0, size_t(64) << 20, Error::corruptData},
      {"order 1", 0x20, 0, size_t(64) << 20, Error::corruptData},
      {"model above the memory limit", 0x25, 15, size_t(8) << 20, Error::unsupported},
      {"largest model above a 255 MB limit", 0x3F, 255, size_t(255) << 20, Error::unsupported},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << cases[i].name);
    ppmd::ModelH model;
    Bytes in(std::vector<uint8_t>(16, 0));
    Status s = model.startBlock(cases[i].flags, cases[i].memoryMb, in, cases[i].maxMemory);
    EXPECT_EQ(s.error(), cases[i].expected) << s.toString();
    EXPECT_EQ(model.decodeChar(in), -1);
  }
}

TEST(PpmdH, PoisonedModelNeedsAReset) {
  LegacyMember m = member("rar/unarr/lipsum_rar4_ppmd.rar", 0);
  ASSERT_FALSE(m.packed.empty());
  ppmd::ModelH model;
  Bytes in(m.packed, 2);  // flags 0x63 (reset, order 4, escape follows), memory byte
  ASSERT_TRUE(model.startBlock(m.packed[0] & 0x7F, m.packed[1], in, size_t(64) << 20).ok());
  model.poison();
  EXPECT_EQ(model.decodeChar(in), -1);
  Status s = model.startBlock(0x03, 0, in, size_t(64) << 20);
  EXPECT_EQ(s.error(), Error::corruptData) << s.toString();
  // A reset brings it back.
  EXPECT_TRUE(model.startBlock(0x23, 0, in, size_t(64) << 20).ok());
}

TEST(PpmdH, EscapeCharacterDefaultsToTwoAndPersists) {
  ppmd::ModelH model;
  EXPECT_EQ(model.escapeChar(), 2);
  model.setEscapeChar(0xF0);
  Bytes in(std::vector<uint8_t>(8, 0));
  ASSERT_TRUE(model.startBlock(0x23, 0, in, size_t(1) << 20).ok());
  EXPECT_EQ(model.escapeChar(), 0xF0);
}

TEST(PpmdH, ArbitraryInputEndsInCharactersOrAnError) {
  // Pseudo-random input through a small model: the model must fill up and
  // restart without fault, and an error must stick.
  for (uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::vector<uint8_t> data(1 << 20);
    uint32_t x = seed;
    for (uint8_t& b : data) {
      x = x * 1103515245u + 12345u;
      b = static_cast<uint8_t>(x >> 24);
    }
    ppmd::ModelH model;
    Bytes in(data);
    ASSERT_TRUE(model.startBlock(0x20 | 15, 0, in, size_t(1) << 20).ok());
    int c = 0;
    for (int i = 0; i < 3000000 && c >= 0; ++i) c = model.decodeChar(in);
    if (c < 0) {
      EXPECT_EQ(model.decodeChar(in), -1);
    }
  }
}

}  // namespace
}  // namespace rar::codec::test
