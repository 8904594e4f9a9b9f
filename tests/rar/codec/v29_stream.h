#pragma once
// Writes RAR 2.9 LZ streams for tests with fixed tables: main symbols get
// 9-bit codes equal to their number, distance slots 6-bit, low-distance and
// length slots 5-bit codes; the level code gives each value 0..19 a 5-bit
// code equal to the value.

#include <cstdint>
#include <vector>

#include "tests/rar/codec/stream_builder.h"

namespace rar::codec::test {

class V29Stream {
 public:
  void tables(bool keepOld = false) {
    w_.align();
    w_.putBit(0);  // LZ
    w_.putBit(keepOld ? 1 : 0);
    for (int i = 0; i < 20; ++i) w_.put(5, 4);
    auto lengths = [this](unsigned count, unsigned len) {
      for (unsigned i = 0; i < count; ++i) w_.put(len, 5);
    };
    lengths(299, 9);
    lengths(60, 6);
    lengths(17, 5);
    lengths(28, 5);
  }
  void literal(uint8_t b) { w_.put(b, 9); }
  void literals(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) literal(b);
  }
  // Encoded length (before the distance bonus), distance 1-based.
  void match(uint32_t length, uint32_t distance) {
    unsigned slot = lengthSlot(length - 3);
    w_.put(271 + slot, 9);
    w_.put(length - 3 - kLengthBase[slot], kLengthBits[slot]);
    uint32_t d = distance - 1;
    unsigned ds = 0;
    while (ds + 1 < 60 && kDistanceBase[ds + 1] <= d) ++ds;
    w_.put(ds, 6);
    uint32_t extra = d - kDistanceBase[ds];
    unsigned bits = kDistanceBits[ds];
    if (bits >= 4) {
      w_.put(extra >> 4, bits - 4);
      w_.put(extra & 15, 5);  // low-distance symbol
    } else {
      w_.put(extra, bits);
    }
  }
  void shortMatch(uint32_t distance) {  // length 2, distance 1..256
    static constexpr uint8_t base[8] = {0, 4, 8, 16, 32, 64, 128, 192};
    static constexpr uint8_t bits[8] = {2, 2, 3, 4, 5, 6, 6, 6};
    unsigned slot = 0;
    while (slot + 1 < 8 && base[slot + 1] <= distance - 1) ++slot;
    w_.put(263 + slot, 9);
    w_.put(distance - 1 - base[slot], bits[slot]);
  }
  void repeatDistance(unsigned index, uint32_t length) {
    unsigned slot = lengthSlot(length - 2);
    w_.put(259 + index, 9);
    w_.put(slot, 5);
    w_.put(length - 2 - kLengthBase[slot], kLengthBits[slot]);
  }
  void repeatLast() { w_.put(258, 9); }
  void endOfFile(bool nextStartsWithTables) {
    w_.put(256, 9);
    w_.putBit(0);
    w_.putBit(nextStartsWithTables ? 1 : 0);
  }
  void newTablesFollow() {
    w_.put(256, 9);
    w_.putBit(1);
  }
  // Symbol 257 and a raw filter record (flags byte + data).
  void filterRecord(const std::vector<uint8_t>& record) {
    w_.put(257, 9);
    size_t n = record.size() - 1;
    uint8_t flags = record[0];
    if (n >= 7 && n < 7 + 256) {
      w_.put((flags & ~7) | 6, 8);
      w_.put(n - 7, 8);
    } else if (n >= 7) {
      w_.put((flags & ~7) | 7, 8);
      w_.put(n, 16);
    } else {
      w_.put((flags & ~7) | (n - 1), 8);
    }
    for (size_t i = 1; i < record.size(); ++i) w_.put(record[i], 8);
  }
  BitWriter& bits() { return w_; }
  std::vector<uint8_t> finish() { return w_.bytes(); }

 private:
  static constexpr uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                              24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
  static constexpr uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                              2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
  static constexpr uint32_t kDistanceBase[60] = {
      0,       1,       2,       3,       4,       6,       8,       12,      16,      24,      32,      48,
      64,      96,      128,     192,     256,     384,     512,     768,     1024,    1536,    2048,    3072,
      4096,    6144,    8192,    12288,   16384,   24576,   32768,   49152,   65536,   98304,   131072,  196608,
      262144,  327680,  393216,  458752,  524288,  589824,  655360,  720896,  786432,  851968,  917504,  983040,
      1048576, 1310720, 1572864, 1835008, 2097152, 2359296, 2621440, 2883584, 3145728, 3407872, 3670016, 3932160};
  static constexpr uint8_t kDistanceBits[60] = {
      0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,
      9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16,
      16, 16, 16, 16, 16, 16, 16, 16, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18};
  static unsigned lengthSlot(uint32_t v) {
    unsigned s = 0;
    while (s + 1 < 28 && kLengthBase[s + 1] <= v) ++s;
    return s;
  }
  BitWriter w_;
};

// Writes RarVM variable-length numbers (a 2-bit prefix, then 4/8/16/32 bits).
inline void putVmNumber(BitWriter& w, uint32_t v) {
  if (v < 16) {
    w.put(0, 2);
    w.put(v, 4);
  } else if (v < 256) {
    w.put(1, 2);
    w.put(v, 8);
  } else if (v < 65536) {
    w.put(2, 2);
    w.put(v, 16);
  } else {
    w.put(3, 2);
    w.put(v, 32);
  }
}

}  // namespace rar::codec::test
