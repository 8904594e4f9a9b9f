#pragma once
// Canonical Huffman decoding for the RAR LZ methods (code lengths 0..15,
// codes assigned in order of length, then symbol). A first-level table
// indexed by the next kQuickBits bits resolves short codes in one lookup;
// longer codes are found by comparing the left-aligned 15-bit window against
// the per-length code limits.

#include <array>
#include <cstddef>
#include <cstdint>

#include "rar/codec/bit_reader.h"
#include "rar/status.h"

namespace rar::codec {

class HuffmanTable {
 public:
  static constexpr unsigned kMaxLength = 15;
  static constexpr size_t kMaxSymbols = 512;
  static constexpr unsigned kQuickBits = 10;

  // Builds the decoder from `count` code lengths (0 = symbol unused).
  // Oversubscribed codes and lengths above 15 are corrupt data. Incomplete
  // codes are accepted (the RAR tool writes them for sparse tables); an
  // unassigned bit pattern then fails in decode().
  Status build(const uint8_t* lengths, size_t count);

  // The next symbol, or -1 for a bit pattern that is no code of this table
  // (also for a table that was never built).
  int decode(BitReader& in) const {
    uint32_t window = in.peek(kMaxLength);
    uint16_t entry = quick_[window >> (kMaxLength - kQuickBits)];
    if (entry != 0) {
      in.skip(entry & 0xF);
      return entry >> 4;
    }
    return decodeLong(in, window);
  }

 private:
  int decodeLong(BitReader& in, uint32_t window) const;

  // Entry: symbol << 4 | code length; 0 = longer code or no code.
  std::array<uint16_t, size_t(1) << kQuickBits> quick_{};
  // limit_[n]: first left-aligned 15-bit value past the codes of length <= n.
  std::array<uint32_t, kMaxLength + 1> limit_{};
  // first_[n]: first code of length n; index_[n]: its place in symbols_.
  std::array<uint32_t, kMaxLength + 1> first_{};
  std::array<uint16_t, kMaxLength + 1> index_{};
  std::array<uint16_t, kMaxSymbols> symbols_{};  // sorted by (length, symbol)
};

// Reads the 20 four-bit lengths of the code that the RAR 2.9 and RAR 5 table
// headers are written in (a 15 followed by a count c != 0 stands for c + 2
// zero lengths) and builds that code.
Status readLevelTable(BitReader& br, HuffmanTable& levelTable);

}  // namespace rar::codec
