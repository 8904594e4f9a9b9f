#pragma once
// Fixed prefix codes of the v15 method, decoded with one table lookup: the
// next maxLength bits index a table that gives the symbol and its length.

#include <cstdint>
#include <vector>

#include "rar/codec/bit_reader.h"

namespace rar::codec {

class FixedPrefixCode {
 public:
  struct Entry {
    uint16_t symbol;
    uint8_t length;  // 0: no code starts with these bits
  };

  // Canonical code from lengths in symbol order (the shortest codes are the
  // numerically smallest). Lengths are 1..12.
  static FixedPrefixCode fromLengths(const uint8_t* lengths, int count);
  // Explicit codes: {symbol, code (MSB first), length}.
  struct Code {
    uint16_t symbol;
    uint16_t code;
    uint8_t length;
  };
  static FixedPrefixCode fromCodes(const Code* codes, int count);

  // The next symbol, or -1 when the bits match no code.
  int decode(BitReader& bits) const {
    const Entry& e = table_[bits.peek(static_cast<unsigned>(maxLength_))];
    if (e.length == 0) return -1;
    bits.skip(e.length);
    return e.symbol;
  }

 private:
  void add(uint16_t symbol, uint32_t code, int length);
  int maxLength_ = 1;
  std::vector<Entry> table_;
};

}  // namespace rar::codec
