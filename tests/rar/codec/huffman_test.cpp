#include "rar/codec/huffman.h"

#include <gtest/gtest.h>

#include "tests/rar/codec/stream_builder.h"

namespace rar::codec {
namespace {

using test::BitWriter;
using test::MemoryInput;

// Canonical code of each symbol: by length, then by symbol.
std::vector<std::pair<uint32_t, unsigned>> canonicalCodes(const std::vector<uint8_t>& lengths) {
  std::vector<std::pair<uint32_t, unsigned>> codes(lengths.size(), {0, 0});
  uint32_t code = 0;
  for (unsigned n = 1; n <= 15; ++n) {
    for (size_t s = 0; s < lengths.size(); ++s)
      if (lengths[s] == n) codes[s] = {code++, n};
    code <<= 1;
  }
  return codes;
}

struct TableCase {
  const char* name;
  std::vector<uint8_t> lengths;
};

// Encodes every used symbol (several times, in a scrambled order) and decodes
// it back: covers quick-table codes, long codes and the boundary between.
TEST(Huffman, RoundTripsCanonicalCodes) {
  std::vector<uint8_t> deep(20, 0);
  for (unsigned i = 0; i < 15; ++i) deep[i] = static_cast<uint8_t>(i + 1);
  deep[15] = 15;  // complete: 1,2,...,15,15
  std::vector<uint8_t> flat(256, 8);
  std::vector<uint8_t> mixed(300, 0);
  for (size_t i = 0; i < mixed.size(); i += 3) mixed[i] = static_cast<uint8_t>(9 + i % 5);
  const TableCase cases[] = {
      {"deep", deep},
      {"flat", flat},
      {"mixed-incomplete", mixed},
      {"single", {0, 0, 1, 0}},
      {"two", {1, 1}},
  };
  for (const TableCase& c : cases) {
    SCOPED_TRACE(c.name);
    HuffmanTable table;
    ASSERT_TRUE(table.build(c.lengths.data(), c.lengths.size()).ok());
    auto codes = canonicalCodes(c.lengths);
    std::vector<int> sequence;
    for (int round = 0; round < 3; ++round)
      for (size_t s = 0; s < c.lengths.size(); ++s) {
        size_t sym = (s * 7 + round) % c.lengths.size();
        if (c.lengths[sym] != 0) sequence.push_back(static_cast<int>(sym));
      }
    BitWriter w;
    for (int s : sequence) w.put(codes[s].first, codes[s].second);
    MemoryInput in(w.bytes());
    BitReader br(in);
    for (size_t i = 0; i < sequence.size(); ++i) ASSERT_EQ(table.decode(br), sequence[i]) << "index " << i;
    EXPECT_FALSE(br.overrun());
  }
}

TEST(Huffman, RejectsMalformedLengths) {
  const TableCase cases[] = {
      {"oversubscribed", {1, 1, 1}},
      {"oversubscribed-deep", {2, 2, 2, 2, 3}},
      {"length-16", {16, 1}},
      {"too-many-symbols", std::vector<uint8_t>(HuffmanTable::kMaxSymbols + 1, 9)},
  };
  for (const TableCase& c : cases) {
    HuffmanTable table;
    Status s = table.build(c.lengths.data(), c.lengths.size());
    EXPECT_EQ(s.error(), Error::corruptData) << c.name;
  }
}

// A pattern outside an incomplete code (or any pattern of an empty or
// failed table) decodes to -1, never to a stale symbol.
TEST(Huffman, UnassignedPatternsFail) {
  HuffmanTable table;
  std::vector<uint8_t> lengths = {1, 0, 0};  // only "0" is a code
  ASSERT_TRUE(table.build(lengths.data(), lengths.size()).ok());
  MemoryInput in({0x7F, 0xFF});
  BitReader br(in);
  EXPECT_EQ(table.decode(br), 0);
  EXPECT_EQ(table.decode(br), -1);

  std::vector<uint8_t> none(10, 0);
  ASSERT_TRUE(table.build(none.data(), none.size()).ok());
  MemoryInput in2({0x00});
  BitReader br2(in2);
  EXPECT_EQ(table.decode(br2), -1);

  std::vector<uint8_t> bad = {1, 1, 1};
  HuffmanTable failed;
  ASSERT_TRUE(failed.build(lengths.data(), lengths.size()).ok());
  ASSERT_FALSE(failed.build(bad.data(), bad.size()).ok());
  MemoryInput in3({0x00});
  BitReader br3(in3);
  EXPECT_EQ(failed.decode(br3), -1);
}

}  // namespace
}  // namespace rar::codec
