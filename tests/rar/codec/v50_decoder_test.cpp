#include "rar/codec/v50_decoder.h"

#include <gtest/gtest.h>

#include "tests/rar/codec/stream_builder.h"
#include "tests/rar/codec/v50_stream.h"

namespace rar::codec {
namespace {

using test::CollectOutput;
using test::MemoryInput;
using test::V50Stream;

MemberParams member(uint64_t size, bool solid = false, uint64_t dictionary = 1 << 17) {
  MemberParams p;
  p.family = Family::v50;
  p.unpackedSize = size;
  p.dictionarySize = dictionary;
  p.solid = solid;
  return p;
}

Status run(V50Decoder& d, const MemberParams& p, const std::vector<uint8_t>& packed, CollectOutput& out,
           size_t piece = SIZE_MAX) {
  MemoryInput in(packed, piece);
  return d.decode(p, in, out);
}

std::vector<uint8_t> bytesOf(const char* s) { return std::vector<uint8_t>(s, s + strlen(s)); }

TEST(V50Decoder, LiteralsMatchesAndRepeats) {
  V50Stream s;
  s.tables();
  s.literals(bytesOf("abcd"));
  s.match(4, 4);            // abcd
  s.match(6, 1);            // dddddd (overlapping run)
  s.repeatLast();           // 6 more at distance 1
  s.literals(bytesOf("xy"));
  s.repeatDistance(1, 3);   // previous distance (4) moved to front: "ddx"? computed below
  std::vector<uint8_t> packed = s.finish();

  std::string expected = "abcdabcddddddddddddd" "xy";
  expected += expected.substr(expected.size() - 4, 3);
  for (size_t piece : {size_t(1), size_t(3), SIZE_MAX}) {
    V50Decoder d({});
    CollectOutput out;
    Status st = run(d, member(expected.size()), packed, out, piece);
    ASSERT_TRUE(st.ok()) << st.toString();
    EXPECT_EQ(std::string(out.bytes.begin(), out.bytes.end()), expected) << "piece " << piece;
  }
}

TEST(V50Decoder, LengthBonusByDistance) {
  // A distance above 0x100 adds one to the coded length.
  V50Stream s;
  s.tables();
  std::vector<uint8_t> lits;
  for (int i = 0; i < 0x200; ++i) lits.push_back(static_cast<uint8_t>(i * 7));
  s.literals(lits);
  s.match(2, 0x180);
  std::vector<uint8_t> packed = s.finish();
  V50Decoder d({});
  CollectOutput out;
  ASSERT_TRUE(run(d, member(0x200 + 3), packed, out).ok());
  std::vector<uint8_t> expected = lits;
  for (int i = 0; i < 3; ++i) expected.push_back(lits[0x200 - 0x180 + i]);
  EXPECT_EQ(out.bytes, expected);
}

TEST(V50Decoder, MultipleBlocksReuseTables) {
  V50Stream s;
  s.tables();
  s.literals(bytesOf("hello "));
  s.endBlock(false);
  s.match(5, 6);
  s.endBlock(false);
  s.endBlock(false);  // empty block
  s.literal('!');
  std::vector<uint8_t> packed = s.finish();
  V50Decoder d({});
  CollectOutput out;
  Status st = run(d, member(12), packed, out);
  ASSERT_TRUE(st.ok()) << st.toString();
  EXPECT_EQ(std::string(out.bytes.begin(), out.bytes.end()), "hello hello!");
}

TEST(V50Decoder, UnknownSizeEndsWithLastBlock) {
  V50Stream s;
  s.tables();
  s.literals(bytesOf("abc"));
  std::vector<uint8_t> packed = s.finish();
  V50Decoder d({});
  CollectOutput out;
  MemberParams p = member(0);
  p.sizeKnown = false;
  ASSERT_TRUE(run(d, p, packed, out).ok());
  EXPECT_EQ(std::string(out.bytes.begin(), out.bytes.end()), "abc");
}

// Malformed streams: each must fail with the stated error and never write
// more than the declared size.
TEST(V50Decoder, RejectsMalformedStreams) {
  struct Case {
    const char* name;
    std::vector<uint8_t> packed;
    uint64_t size;
    Error error;
  };
  std::vector<Case> cases;
  {
    V50Stream s;
    s.tables();
    s.literal('a');
    s.match(3, 2);  // only one byte written
    cases.push_back({"distance beyond written data", s.finish(), 4, Error::corruptData});
  }
  {
    V50Stream s;
    s.tables();
    s.literal('a');
    s.repeatDistance(0, 3);  // distance history is empty (0)
    cases.push_back({"repeat of an empty distance", s.finish(), 4, Error::corruptData});
  }
  {
    V50Stream s;
    s.literal('a');
    cases.push_back({"first block without tables", s.finish(), 1, Error::corruptData});
  }
  {
    V50Stream s;
    s.tables();
    s.literal('a');
    std::vector<uint8_t> p = s.finish();
    p[1] ^= 1;
    cases.push_back({"block header checksum", p, 1, Error::corruptData});
  }
  {
    V50Stream s;
    s.tables();
    s.literal('a');
    std::vector<uint8_t> p = s.finish();
    p[0] |= 0x18;  // 4-byte size field is reserved
    cases.push_back({"block size field", p, 1, Error::corruptData});
  }
  {
    V50Stream s;
    s.tables();
    s.literal('a');
    cases.push_back({"last block ends before the file", s.finish(), 5, Error::corruptData});
  }
  {
    V50Stream s;
    s.tables();
    s.endBlock(false);
    std::vector<uint8_t> p = s.bytes();
    // Endless empty non-last blocks are bounded by the input.
    for (int i = 0; i < 50; ++i) p.insert(p.end(), {0x00, 0x5A ^ 0x00 ^ 0x00, 0x00});
    cases.push_back({"empty blocks then input end", p, 1, Error::readFailed});
  }
  {
    V50Stream s;
    s.tables();
    s.filter(0, 0x400001, 1);
    s.literal('a');
    cases.push_back({"filter larger than 4 MB", s.finish(), 1, Error::corruptData});
  }
  {
    V50Stream s;
    s.tables();
    s.filter(0, 16, 5);
    cases.push_back({"unknown filter type", s.finish(), 1, Error::unsupported});
  }
  {
    V50Stream s;
    s.tables();
    s.filter(0, 16, 1);
    s.filter(8, 16, 1);
    cases.push_back({"overlapping filters", s.finish(), 40, Error::corruptData});
  }
  {
    V50Stream s;
    s.tables();
    s.filter(0, 16, 1);  // reaches past the 1-byte file
    s.literal('a');
    cases.push_back({"filter past the end of the file", s.finish(), 1, Error::corruptData});
  }
  {
    // Table section: level code 16 ("repeat previous") as the first length.
    test::BitWriter w;
    for (int i = 0; i < 20; ++i) w.put(5, 4);
    w.put(16, 5);
    w.put(0, 3);
    for (int i = 0; i < 600; ++i) w.put(0, 5);
    std::vector<uint8_t> body = w.bytes();
    std::vector<uint8_t> p = {static_cast<uint8_t>(0xC0 | 0x08 | 7), 0, static_cast<uint8_t>(body.size()),
                              static_cast<uint8_t>(body.size() >> 8)};
    p[1] = static_cast<uint8_t>(0x5A ^ p[0] ^ p[2] ^ p[3]);
    p.insert(p.end(), body.begin(), body.end());
    cases.push_back({"repeat previous as first length", p, 1, Error::corruptData});
  }
  {
    // Level code lengths that oversubscribe the code space.
    test::BitWriter w;
    for (int i = 0; i < 20; ++i) w.put(1, 4);
    std::vector<uint8_t> body = w.bytes();
    std::vector<uint8_t> p = {static_cast<uint8_t>(0xC0 | 7), 0, static_cast<uint8_t>(body.size())};
    p[1] = static_cast<uint8_t>(0x5A ^ p[0] ^ p[2]);
    p.insert(p.end(), body.begin(), body.end());
    cases.push_back({"oversubscribed level code", p, 1, Error::corruptData});
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    V50Decoder d({});
    CollectOutput out;
    Status st = run(d, member(c.size), c.packed, out);
    EXPECT_EQ(st.error(), c.error) << "case " << i << " (" << c.name << "): " << st.toString();
    EXPECT_LE(out.bytes.size(), c.size) << "case " << i;
  }
}

TEST(V50Decoder, DistanceBeyondDictionaryFails) {
  // 128 KB dictionary, 200 KB of history: a 150 KB distance is refused
  // although the window still holds those bytes.
  V50Stream s;
  s.tables();
  s.literal('q');
  for (int i = 0; i < 50; ++i) s.match(4000, 1);
  s.match(2, 150000);
  V50Decoder d({});
  CollectOutput out;
  Status st = run(d, member(1 + 50 * 4000 + 5), s.finish(), out);
  EXPECT_EQ(st.error(), Error::corruptData) << st.toString();
}

TEST(V50Decoder, EmptyFileWithoutPackedData) {
  V50Decoder d({});
  CollectOutput out;
  EXPECT_TRUE(run(d, member(0), {}, out).ok());
  EXPECT_TRUE(out.bytes.empty());
  EXPECT_EQ(run(d, member(1), {}, out).error(), Error::readFailed);
}

TEST(V50Decoder, DictionaryPolicy) {
  V50Stream s;
  s.tables();
  s.literal('a');
  std::vector<uint8_t> packed = s.finish();
  DecoderLimits limits;
  limits.maxDictionary = 1 << 20;
  V50Decoder d(limits);
  CollectOutput out;
  EXPECT_EQ(run(d, member(1, false, 2 << 20), packed, out).error(), Error::unsupported);
  EXPECT_EQ(run(d, member(1, false, 0), packed, out).error(), Error::corruptData);
  EXPECT_TRUE(run(d, member(1, false, 1 << 20), packed, out).ok());
}

// Every truncation of a valid stream fails cleanly with at most the declared
// bytes written.
TEST(V50Decoder, TruncationAtEveryByte) {
  V50Stream s;
  s.tables();
  s.literals(bytesOf("truncate me, truncate me"));
  s.match(20, 12);
  s.filter(0, 8, 0, 2);
  s.literals(bytesOf("12345678"));
  std::vector<uint8_t> packed = s.finish();
  const uint64_t size = 24 + 20 + 8;
  {
    V50Decoder d({});
    CollectOutput out;
    ASSERT_TRUE(run(d, member(size), packed, out).ok());
  }
  for (size_t cut = 0; cut < packed.size(); ++cut) {
    std::vector<uint8_t> part(packed.begin(), packed.begin() + cut);
    V50Decoder d({});
    CollectOutput out;
    Status st = run(d, member(size), part, out);
    EXPECT_FALSE(st.ok()) << "cut " << cut;
    EXPECT_LE(out.bytes.size(), size) << "cut " << cut;
  }
}

TEST(V50Decoder, SolidRunAndPoisoning) {
  V50Stream a;
  a.tables();
  a.literals(bytesOf("solid data "));
  std::vector<uint8_t> first = a.finish();
  V50Stream b;  // no tables: continues the previous member's
  b.match(11, 11);
  std::vector<uint8_t> second = b.finish();

  V50Decoder d({});
  CollectOutput out1, out2;
  ASSERT_TRUE(run(d, member(11), first, out1).ok());
  Status st = run(d, member(11, true), second, out2);
  ASSERT_TRUE(st.ok()) << st.toString();
  EXPECT_EQ(std::string(out2.bytes.begin(), out2.bytes.end()), "solid data ");

  // The same continuation after a non-solid member has no history.
  CollectOutput out3;
  ASSERT_TRUE(run(d, member(11), first, out3).ok());
  CollectOutput bad;
  EXPECT_FALSE(run(d, member(11), second, bad).ok());  // non-solid: no tables
  CollectOutput out4;
  EXPECT_EQ(run(d, member(11, true), second, out4).error(), Error::corruptData);  // poisoned
  CollectOutput out5;
  EXPECT_TRUE(run(d, member(11), first, out5).ok());  // a non-solid member recovers
}

TEST(V50Decoder, SolidRunGrowsTheWindowKeepingHistory) {
  // 16 MB of history in a 16 MB window; the next member declares 32 MB and
  // copies from 9 MB back: the grown window must still hold it.
  V50Stream a;
  a.tables();
  for (int i = 0; i < 256; ++i) a.literal(static_cast<uint8_t>(i));
  for (int i = 0; i < 4096; ++i) a.match(4096 - (i % 2) * 3, 256 + (i % 7) * 256);
  std::vector<uint8_t> first = a.finish();
  V50Decoder d({});
  CollectOutput out1;
  uint64_t size1 = 256;
  for (int i = 0; i < 4096; ++i) size1 += 4096 - (i % 2) * 3 + (256 + (i % 7) * 256 > 0x100 ? 1 : 0);
  Status st1 = run(d, member(size1, false, 16 << 20), first, out1);
  ASSERT_TRUE(st1.ok()) << st1.toString();
  V50Stream b;
  b.match(100, 9 << 20);
  CollectOutput out2;
  Status st = run(d, member(103, true, 32 << 20), b.finish(), out2);
  ASSERT_TRUE(st.ok()) << st.toString();
  std::vector<uint8_t> expected(out1.bytes.end() - (9 << 20), out1.bytes.end() - (9 << 20) + 103);
  EXPECT_EQ(out2.bytes, expected);
}

TEST(V50Decoder, DeltaAndE8Filters) {
  V50Stream s;
  s.tables();
  // DELTA with 2 channels over 6 bytes: channel sums of the differences.
  s.filter(0, 6, 0, 2);
  s.literals({1, 1, 1, 0xFF, 0xFF, 0xFF});
  // E8 over 10 bytes at file offset 6: E8 + address 0x00000010 -> 0x10 - (6 + 1).
  s.filter(0, 10, 1);
  s.literals({0xE8, 0x10, 0, 0, 0, 0x90, 0x90, 0x90, 0x90, 0x90});
  std::vector<uint8_t> packed = s.finish();
  V50Decoder d({});
  CollectOutput out;
  Status st = run(d, member(16), packed, out);
  ASSERT_TRUE(st.ok()) << st.toString();
  std::vector<uint8_t> expected = {0xFF, 0x01, 0xFE, 0x02, 0xFD, 0x03,
                                   0xE8, 0x09, 0, 0, 0, 0x90, 0x90, 0x90, 0x90, 0x90};
  EXPECT_EQ(out.bytes, expected);
}

TEST(V50Decoder, FilterAcrossTheWindowEnd) {
  // The window (256 KB for a 128 KB dictionary) wraps at 8 MB inside an
  // E8E9 block; the output must be as if the window were flat.
  const uint64_t before = (8 << 20) - 6;
  V50Stream s;
  s.tables();
  s.literal(0x90);
  uint64_t written = 1;
  while (written < before) {
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(4000, before - written));
    if (n < 2) n = 2;
    s.match(n, 1);
    written += n;
  }
  s.filter(0, 16, 2);
  std::vector<uint8_t> code = {0xE9, 0x00, 0x01, 0, 0, 0xE8, 0xF0, 0xFF, 0xFF, 0xFF, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90};
  s.literals(code);
  V50Decoder d({});
  CollectOutput out;
  Status st = run(d, member(written + 16), s.finish(), out);
  ASSERT_TRUE(st.ok()) << st.toString();
  ASSERT_EQ(out.bytes.size(), written + 16);
  uint32_t off1 = static_cast<uint32_t>((written + 1) % 0x1000000);
  uint32_t a1 = 0x100 - off1;
  std::vector<uint8_t> expected = code;
  for (int i = 0; i < 4; ++i) expected[1 + i] = static_cast<uint8_t>(a1 >> (8 * i));
  // 0xFFFFFFF0 is negative and off2 - 16 >= 0: +16 MB.
  uint32_t a2 = 0xFFFFFFF0u + 0x1000000u;
  for (int i = 0; i < 4; ++i) expected[6 + i] = static_cast<uint8_t>(a2 >> (8 * i));
  EXPECT_EQ(std::vector<uint8_t>(out.bytes.end() - 16, out.bytes.end()), expected);
  EXPECT_GE(out.bytes.size() / out.writes, 32u * 1024);  // large chunks, not per byte
}

TEST(V50Decoder, FilterLargerThanTheWindowGrowsIt) {
  // A 128 KB dictionary gets a 256 KB window; a 3 MB E8 block must still be
  // held back whole and converted.
  const uint32_t block = 3 << 20;
  V50Stream s;
  s.tables();
  s.filter(0, block, 1);
  s.literal(0x90);
  uint64_t written = 1;
  while (written < block - 6) {
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(4000, block - 6 - written));
    if (n < 2) n = 2;
    s.match(n, 1);
    written += n;
  }
  s.literals({0xE8, 0x00, 0x00, 0x01, 0x00, 0x90});
  written += 6;
  V50Decoder d({});
  CollectOutput out;
  Status st = run(d, member(written), s.finish(), out);
  ASSERT_TRUE(st.ok()) << st.toString();
  ASSERT_EQ(out.bytes.size(), written);
  uint32_t converted = 0x10000 - static_cast<uint32_t>(written - 5);
  std::vector<uint8_t> tail = {0xE8, static_cast<uint8_t>(converted), static_cast<uint8_t>(converted >> 8),
                               static_cast<uint8_t>(converted >> 16), static_cast<uint8_t>(converted >> 24), 0x90};
  EXPECT_EQ(std::vector<uint8_t>(out.bytes.end() - 6, out.bytes.end()), tail);
}

TEST(V50Decoder, Rar7DistanceCodes) {
  V50Stream s(80);
  s.tables();
  s.literals(bytesOf("rar7"));
  s.match(4, 4);
  MemberParams p = member(8, false, 3 << 17);  // not a power of two
  p.algorithmVersion = 1;
  V50Decoder d({});
  CollectOutput out;
  Status st = run(d, p, s.finish(), out);
  ASSERT_TRUE(st.ok()) << st.toString();
  EXPECT_EQ(std::string(out.bytes.begin(), out.bytes.end()), "rar7rar7");
  p.algorithmVersion = 2;
  EXPECT_EQ(run(d, p, s.bytes(), out).error(), Error::unsupported);
}

TEST(V50Decoder, PassesInputFailureOn) {
  V50Stream s;
  s.tables();
  s.literals(bytesOf("abcdef"));
  std::vector<uint8_t> packed = s.finish();
  packed.resize(packed.size() - 1);
  test::FailingInput in(packed, Status(Error::missingVolume, "volume 2"));
  V50Decoder d({});
  CollectOutput out;
  EXPECT_EQ(d.decode(member(6), in, out).error(), Error::missingVolume);
}

}  // namespace
}  // namespace rar::codec
