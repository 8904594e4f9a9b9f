#include "rar/codec/v29_decoder.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/rar/codec/stream_builder.h"
#include "tests/rar/codec/v29_stream.h"

namespace rar::codec {
namespace {

using test::BitWriter;
using test::CollectOutput;
using test::MemoryInput;
using test::V29Stream;

MemberParams member(uint64_t size, bool solid = false) {
  MemberParams p;
  p.family = Family::v29;
  p.unpackedSize = size;
  p.dictionarySize = 1 << 22;
  p.solid = solid;
  return p;
}

Status run(V29Decoder& d, const MemberParams& p, const std::vector<uint8_t>& packed, CollectOutput& out,
           size_t piece = SIZE_MAX) {
  MemoryInput in(packed, piece);
  return d.decode(p, in, out);
}

std::vector<uint8_t> bytesOf(const char* s) { return std::vector<uint8_t>(s, s + strlen(s)); }
std::string text(const CollectOutput& o) { return std::string(o.bytes.begin(), o.bytes.end()); }

TEST(V29Decoder, LiteralsAndAllMatchKinds) {
  V29Stream s;
  s.tables();
  s.literals(bytesOf("abcdefgh"));
  s.match(5, 8);            // abcde
  s.shortMatch(2);          // de
  s.repeatDistance(1, 4);   // distance 8 again: "efgh"? computed below
  s.repeatLast();           // same length and distance again
  s.endOfFile(false);
  std::vector<uint8_t> packed = s.finish();

  std::string e = "abcdefgh";
  e += e.substr(e.size() - 8, 5);
  e += e.substr(e.size() - 2, 2);
  e += e.substr(e.size() - 8, 4);
  e += e.substr(e.size() - 8, 4);
  for (size_t piece : {size_t(1), size_t(5), SIZE_MAX}) {
    V29Decoder d({});
    CollectOutput out;
    Status st = run(d, member(e.size()), packed, out, piece);
    ASSERT_TRUE(st.ok()) << st.toString();
    EXPECT_EQ(text(out), e) << "piece " << piece;
  }
}

TEST(V29Decoder, LowDistanceRepeatSymbol) {
  // Distance slot 24 (base 4096, 11 extra bits) takes its low 4 bits from the
  // low-distance table; symbol 16 there reuses the previous low bits.
  V29Stream s;
  s.tables();
  std::vector<uint8_t> lits;
  for (int i = 0; i < 5000; ++i) lits.push_back(static_cast<uint8_t>(i * 31 + i / 7));
  s.literals(lits);
  s.match(3, 4096 + 0x25);  // low bits 5
  // Same slot with "repeat previous low bits" (16): distance 4096 + 0x20 + 5.
  s.bits().put(271, 9);
  s.bits().put(24, 6);
  s.bits().put(0x2, 7);
  s.bits().put(16, 5);
  s.endOfFile(false);
  std::vector<uint8_t> expected = lits;
  for (int i = 0; i < 3; ++i) expected.push_back(expected[expected.size() - (4096 + 0x25)]);
  for (int i = 0; i < 3; ++i) expected.push_back(expected[expected.size() - (4096 + 0x25)]);
  V29Decoder d({});
  CollectOutput out;
  Status st = run(d, member(expected.size()), s.finish(), out);
  ASSERT_TRUE(st.ok()) << st.toString();
  EXPECT_EQ(out.bytes, expected);
}

TEST(V29Decoder, NewTablesMidFileAndKeepOldLengths) {
  V29Stream s;
  s.tables();
  s.literals(bytesOf("one "));
  s.newTablesFollow();
  // Same lengths again as deltas on the old ones: all-zero deltas.
  s.bits().align();
  s.bits().putBit(0);
  s.bits().putBit(1);  // keep old lengths
  for (int i = 0; i < 20; ++i) s.bits().put(5, 4);
  for (int i = 0; i < 404; ++i) s.bits().put(0, 5);
  s.literals(bytesOf("two"));
  s.endOfFile(false);
  V29Decoder d({});
  CollectOutput out;
  Status st = run(d, member(7), s.finish(), out);
  ASSERT_TRUE(st.ok()) << st.toString();
  EXPECT_EQ(text(out), "one two");
}

// In a solid run the end-of-file marker after a member says whether the next
// member reads new tables; the decoder must consume it even though the
// member's bytes are already complete.
TEST(V29Decoder, SolidRunFollowsEndOfFileMarkers) {
  V29Stream a;
  a.tables();
  a.literals(bytesOf("first "));
  a.endOfFile(false);  // next member continues with these tables
  V29Stream b;
  b.match(6, 6);
  b.endOfFile(true);   // next member starts with tables
  V29Stream c;
  c.tables();
  c.literals(bytesOf("third"));
  c.match(6, 11);
  c.endOfFile(false);

  V29Decoder d({});
  CollectOutput o1, o2, o3;
  ASSERT_TRUE(run(d, member(6), a.finish(), o1).ok());
  Status st = run(d, member(6, true), b.finish(), o2);
  ASSERT_TRUE(st.ok()) << st.toString();
  EXPECT_EQ(text(o2), "first ");
  st = run(d, member(11, true), c.finish(), o3);
  ASSERT_TRUE(st.ok()) << st.toString();
  EXPECT_EQ(text(o3), "thirdfirst ");
}

TEST(V29Decoder, SolidMemberAfterFailureIsRefused) {
  V29Stream a;
  a.tables();
  a.literal('x');
  a.match(3, 5);  // beyond the one byte written
  V29Stream b;
  b.literal('y');
  b.endOfFile(false);
  V29Decoder d({});
  CollectOutput o1, o2;
  EXPECT_EQ(run(d, member(4), a.finish(), o1).error(), Error::corruptData);
  EXPECT_EQ(run(d, member(1, true), b.finish(), o2).error(), Error::corruptData);
  EXPECT_TRUE(o2.bytes.empty());
}

std::vector<uint8_t> filterRecord(uint32_t start, uint32_t length, const std::vector<uint8_t>& code) {
  BitWriter w;
  w.put(0x80 | 0x20, 8);         // program number follows, length follows
  test::putVmNumber(w, 0);       // 0: reset the program list, define program 1
  test::putVmNumber(w, start);
  test::putVmNumber(w, length);
  test::putVmNumber(w, static_cast<uint32_t>(code.size()));
  for (uint8_t b : code) w.put(b, 8);
  return w.bytes();
}

TEST(V29Decoder, RejectsMalformedStreams) {
  struct Case {
    const char* name;
    std::vector<uint8_t> packed;
    uint64_t size;
    Error error;
  };
  std::vector<Case> cases;
  {
    V29Stream s;
    s.tables();
    s.literal('a');
    s.match(3, 2);
    cases.push_back({"distance beyond written data", s.finish(), 5, Error::corruptData});
  }
  {
    V29Stream s;
    s.tables();
    s.repeatDistance(0, 3);
    cases.push_back({"repeat of an empty distance", s.finish(), 3, Error::corruptData});
  }
  {
    V29Stream s;
    s.bits().putBit(0);
    s.bits().putBit(0);
    for (int i = 0; i < 20; ++i) s.bits().put(5, 4);
    s.bits().put(17, 5);  // repeat previous length as the first one
    s.bits().put(0, 7);
    cases.push_back({"repeat previous as first length", s.finish(), 1, Error::corruptData});
  }
  {
    V29Stream s;
    s.bits().putBit(0);
    s.bits().putBit(0);
    for (int i = 0; i < 20; ++i) s.bits().put(2, 4);
    cases.push_back({"oversubscribed level code", s.finish(), 1, Error::corruptData});
  }
  {
    V29Stream s;
    s.tables();
    s.filterRecord(filterRecord(0, 16, {0x11, 0x22, 0x33}));  // XOR 0: valid but unknown
    cases.push_back({"non-standard VM program", s.finish(), 16, Error::unsupported});
  }
  {
    V29Stream s;
    s.tables();
    s.filterRecord(filterRecord(0, 16, {0x11, 0x22, 0x34}));
    cases.push_back({"VM program check byte", s.finish(), 16, Error::corruptData});
  }
  {
    V29Stream s;
    s.tables();
    BitWriter w;
    w.put(0x80, 8);
    test::putVmNumber(w, 5);  // program 4 of none defined
    test::putVmNumber(w, 0);
    s.filterRecord(w.bytes());
    cases.push_back({"filter number out of range", s.finish(), 16, Error::corruptData});
  }
  {
    V29Stream s;
    s.tables();
    s.filterRecord({0x80, 0x00});  // program 0, then nothing: record too short
    cases.push_back({"short filter record", s.finish(), 16, Error::corruptData});
  }
  {
    // PPMd block without a model reset at the start of a non-solid member.
    cases.push_back({"PPMd block without a model", {0x80 | 0x05, 0, 0, 0, 0, 0, 0}, 1, Error::corruptData});
  }
  {
    V29Stream s;
    s.tables();
    s.literals(bytesOf("ab"));
    s.endOfFile(false);
    cases.push_back({"end of file before the declared size", s.finish(), 3, Error::corruptData});
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    V29Decoder d({});
    CollectOutput out;
    Status st = run(d, member(c.size), c.packed, out);
    EXPECT_EQ(st.error(), c.error) << "case " << i << " (" << c.name << "): " << st.toString();
    EXPECT_LE(out.bytes.size(), c.size) << "case " << i;
  }
}

TEST(V29Decoder, TruncationAtEveryByte) {
  V29Stream s;
  s.tables();
  s.literals(bytesOf("cut here and there"));
  s.match(10, 9);
  s.shortMatch(3);
  std::vector<uint8_t> packed = s.finish();
  const uint64_t size = 18 + 10 + 2;
  for (size_t cut = 0; cut < packed.size(); ++cut) {
    std::vector<uint8_t> part(packed.begin(), packed.begin() + cut);
    V29Decoder d({});
    CollectOutput out;
    Status st = run(d, member(size), part, out);
    EXPECT_FALSE(st.ok()) << "cut " << cut;
    EXPECT_LE(out.bytes.size(), size) << "cut " << cut;
  }
  V29Decoder d({});
  CollectOutput out;
  EXPECT_TRUE(run(d, member(size), packed, out).ok());
}

TEST(V29Decoder, EmptyFileWithoutPackedData) {
  V29Decoder d({});
  CollectOutput out;
  EXPECT_TRUE(run(d, member(0), {}, out).ok());
  EXPECT_TRUE(out.bytes.empty());
  EXPECT_EQ(run(d, member(1), {}, out).error(), Error::readFailed);
}

TEST(V29Decoder, DictionaryPolicy) {
  V29Stream s;
  s.tables();
  s.literal('a');
  std::vector<uint8_t> packed = s.finish();
  DecoderLimits limits;
  limits.maxDictionary = 1 << 20;
  V29Decoder d(limits);
  CollectOutput out;
  MemberParams p = member(1);
  p.dictionarySize = 4 << 20;
  EXPECT_EQ(run(d, p, packed, out).error(), Error::unsupported);
  p.dictionarySize = 0;
  EXPECT_EQ(run(d, p, packed, out).error(), Error::corruptData);
}

}  // namespace
}  // namespace rar::codec
