// The v20 decoder on hand-made streams: each test writes exactly the symbols
// that show one rule or one fault.
//
// The streams use simple codes: every level symbol 5 bits, every main symbol
// 9 bits, every distance symbol 6 bits and every length symbol 5 bits, so a
// symbol's code is its number.

#include <gtest/gtest.h>

#include <string>

#include "rar/decoder.h"
#include "tests/rar/codec/stream_builder.h"

namespace rar::codec::test {
namespace {

constexpr size_t kLzLengths = 298 + 48 + 28;

class V20Writer {
 public:
  // A table header with the flat code lengths (main 9, distance 6, length 5),
  // or `mainLength` for the main symbols.
  void lzTables(uint8_t mainLength = 9) {
    w.put(0, 1);  // LZ
    w.put(0, 1);  // fresh lengths
    levelCode();
    for (size_t i = 0; i < kLzLengths; ++i) w.put(i < 298 ? mainLength : i < 298 + 48 ? 6 : 5, 5);
    mainBits_ = mainLength;
  }
  // Multimedia tables for `channels`, every symbol 9 bits.
  void audioTables(unsigned channels) {
    w.put(1, 1);
    w.put(0, 1);
    w.put(channels - 1, 2);
    levelCode();
    for (size_t i = 0; i < 257 * channels; ++i) w.put(9, 5);
  }
  void levelCode() {
    for (int i = 0; i < 19; ++i) w.put(5, 4);
  }
  void symbol(unsigned s) { w.put(s, mainBits_); }
  void literals(const std::string& text) {
    for (unsigned char c : text) symbol(c);
  }
  // A new match: length slot 0 (+3) and a distance slot without extra bits
  // (slots 0..3 are distances 1..4).
  void match3(unsigned distance) {
    symbol(270);
    w.put(distance - 1, 6);
  }
  // A new match with distance slot and extra bits given.
  void match(unsigned lengthSlot, unsigned lengthExtra, unsigned lengthBits, unsigned distSlot, unsigned distExtra,
             unsigned distBits) {
    symbol(270 + lengthSlot);
    w.put(lengthExtra, lengthBits);
    w.put(distSlot, 6);
    w.put(distExtra, distBits);
  }
  std::vector<uint8_t> bytes() {
    std::vector<uint8_t> b = w.bytes();
    return b;
  }
  BitWriter w;

 private:
  unsigned mainBits_ = 9;
};

MemberParams params(uint64_t size, bool solid = false, uint64_t dictionary = 0x10000) {
  MemberParams p;
  p.family = Family::v20;
  p.unpackedSize = size;
  p.dictionarySize = dictionary;
  p.solid = solid;
  return p;
}

std::unique_ptr<Decoder> v20() {
  Result<std::unique_ptr<Decoder>> d = makeDecoder(Family::v20);
  return d.ok() ? std::move(d.value()) : nullptr;
}

std::string text(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

Status run(Decoder& d, const MemberParams& p, std::vector<uint8_t> data, std::string* result = nullptr) {
  MemoryInput in(std::move(data));
  CollectOutput out;
  Status s = d.decode(p, in, out);
  if (result) *result = text(out.bytes);
  return s;
}

TEST(V20Stream, LiteralsAndMatches) {
  struct Case {
    const char* name;
    void (*write)(V20Writer&);
    std::string expected;
  };
  const Case cases[] = {
      {"literals", [](V20Writer& v) { v.literals("abc"); }, "abc"},
      {"match distance 3", [](V20Writer& v) { v.literals("abc"); v.match3(3); }, "abcabc"},
      {"overlapping run", [](V20Writer& v) { v.literals("x"); v.match3(1); }, "xxxx"},
      {"repeat last match (256)", [](V20Writer& v) { v.literals("ab"); v.match3(2); v.symbol(256); }, "abababab"},
      {"previous distance (257) with length slot 1 (+2)",
       [](V20Writer& v) { v.literals("abc"); v.match3(3); v.symbol(257); v.w.put(1, 5); }, "abcabcabc"},
      {"short distance (261): 1 + 2 bits, length 2",
       [](V20Writer& v) { v.literals("abc"); v.symbol(261); v.w.put(2, 2); }, "abcab"},
      {"new tables mid-stream (269)",
       [](V20Writer& v) { v.literals("a"); v.symbol(269); v.lzTables(10); v.literals("b"); }, "ab"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << cases[i].name);
    V20Writer v;
    v.lzTables();
    cases[i].write(v);
    std::string got;
    auto d = v20();
    Status s = run(*d, params(cases[i].expected.size()), v.bytes(), &got);
    ASSERT_TRUE(s.ok()) << s.toString();
    EXPECT_EQ(got, cases[i].expected);
  }
}

TEST(V20Stream, LengthBonusForFarDistances) {
  // Distance slot 26 is 8193..12288 (12 extra bits): a length-slot-0 match
  // there is 3 + 1 long.
  V20Writer v;
  v.lzTables();
  std::string prefix(8193, 'q');
  prefix[0] = 'Z';
  v.literals(prefix);
  v.match(0, 0, 0, 26, 0, 12);
  auto d = v20();
  std::string got;
  ASSERT_TRUE(run(*d, params(prefix.size() + 4), v.bytes(), &got).ok());
  EXPECT_EQ(got.substr(prefix.size()), "Zqqq");
}

TEST(V20Stream, MatchMayReachTheWholeDictionary) {
  // Distance 65536 in a 64 KB window, after the window has wrapped.
  V20Writer v;
  v.lzTables();
  std::string data(0x10100, 'w');
  data[0x100] = 'A';
  v.literals(data);
  v.match(0, 0, 0, 31, 16383, 14);  // distance 49152 + 1 + 16383, length 3 + 1
  auto d = v20();
  std::string got;
  Status s = run(*d, params(data.size() + 4), v.bytes(), &got);
  ASSERT_TRUE(s.ok()) << s.toString();
  EXPECT_EQ(got.substr(data.size()), "Awww");
}

TEST(V20Stream, MalformedStreamsAreCorrupt) {
  struct Case {
    const char* name;
    void (*write)(V20Writer&);
    uint64_t size;
  };
  const Case cases[] = {
      {"distance before the data", [](V20Writer& v) { v.lzTables(); v.literals("ab"); v.match3(3); }, 5},
      {"distance into an empty window", [](V20Writer& v) { v.lzTables(); v.match3(1); }, 3},
      {"distance beyond the 64 KB dictionary",
       [](V20Writer& v) {
         v.lzTables();
         v.literals(std::string(0x10100, 'w'));
         v.match(0, 0, 0, 32, 0, 15);  // distance 65537
       },
       0x10100 + 3},
      {"repeat of a never-set distance", [](V20Writer& v) { v.lzTables(); v.literals("a"); v.symbol(258); v.w.put(0, 5); }, 4},
      {"repeat-previous length first",
       [](V20Writer& v) {
         v.w.put(0, 2);
         v.levelCode();
         v.w.put(16, 5);
         v.w.put(0, 2);
       },
       1},
      {"oversubscribed level code",
       [](V20Writer& v) {
         v.w.put(0, 2);
         for (int i = 0; i < 19; ++i) v.w.put(1, 4);
       },
       1},
      {"oversubscribed main code", [](V20Writer& v) { v.lzTables(1); }, 1},
      {"unused main code", [](V20Writer& v) { v.lzTables(); v.w.put(0x1FF, 9); }, 1},
      {"stream ends early", [](V20Writer& v) { v.lzTables(); v.literals("abc"); }, 10},
      {"stream ends in the tables", [](V20Writer& v) { v.w.put(0, 2); v.levelCode(); v.w.put(9, 5); }, 1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << cases[i].name);
    V20Writer v;
    cases[i].write(v);
    auto d = v20();
    Status s = run(*d, params(cases[i].size), v.bytes());
    EXPECT_EQ(s.error(), Error::corruptData) << s.toString();
  }
}

TEST(V20Stream, SolidMembersShareWindowAndTables) {
  auto d = v20();
  V20Writer first;
  first.lzTables();
  first.literals("hello");
  std::string got;
  ASSERT_TRUE(run(*d, params(5), first.bytes(), &got).ok());
  EXPECT_EQ(got, "hello");

  // No table header: the previous tables go on; the match reaches into the
  // previous member's output.
  V20Writer second;
  second.literals("J");
  second.match(2, 0, 0, 4, 1, 1);  // length 5, distance 4 + 1 + 1
  ASSERT_TRUE(run(*d, params(6, true), second.bytes(), &got).ok());
  EXPECT_EQ(got, "Jhello");
}

TEST(V20Stream, TablesAtTheEndOfAMemberServeTheNext) {
  auto d = v20();
  V20Writer first;
  first.lzTables();
  first.literals("ab");
  first.symbol(269);
  first.lzTables(10);  // the next member's literals are 10 bits long
  std::string got;
  ASSERT_TRUE(run(*d, params(2), first.bytes(), &got).ok());
  EXPECT_EQ(got, "ab");

  V20Writer second;
  second.w.put('c', 10);
  second.w.put('d', 10);
  ASSERT_TRUE(run(*d, params(2, true), second.bytes(), &got).ok());
  EXPECT_EQ(got, "cd");
}

TEST(V20Stream, SolidWindowGrowsWithItsHistory) {
  auto d = v20();
  V20Writer first;
  first.lzTables();
  first.literals("xyz");
  ASSERT_TRUE(run(*d, params(3, false, 0x10000), first.bytes()).ok());
  V20Writer second;
  second.match3(3);
  std::string got;
  ASSERT_TRUE(run(*d, params(3, true, 0x40000), second.bytes(), &got).ok());
  EXPECT_EQ(got, "xyz");
}

TEST(V20Stream, SolidMemberAfterAFailureIsRefused) {
  auto d = v20();
  V20Writer bad;
  bad.lzTables();
  bad.match3(2);
  ASSERT_FALSE(run(*d, params(3), bad.bytes()).ok());
  V20Writer next;
  next.literals("a");
  Status s = run(*d, params(1, true), next.bytes());
  EXPECT_EQ(s.error(), Error::corruptData) << s.toString();
}

TEST(V20Stream, AudioChannelsInterleave) {
  // Two channels from a zero state: the first byte of each channel is the
  // negated code (the prediction is 0), then the predictor takes over.
  V20Writer v;
  v.audioTables(2);
  v.w.put(0x10, 9);
  v.w.put(0x20, 9);
  v.w.put(256, 9);  // back to LZ tables
  v.lzTables();
  v.literals("k");
  auto d = v20();
  std::string got;
  ASSERT_TRUE(run(*d, params(3), v.bytes(), &got).ok());
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(static_cast<uint8_t>(got[0]), 0xF0);
  EXPECT_EQ(static_cast<uint8_t>(got[1]), 0xE0);
  EXPECT_EQ(got[2], 'k');
}

}  // namespace
}  // namespace rar::codec::test
