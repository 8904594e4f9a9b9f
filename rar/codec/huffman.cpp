#include "rar/codec/huffman.h"

namespace rar::codec {

Status HuffmanTable::build(const uint8_t* lengths, size_t count) {
  quick_.fill(0);
  limit_.fill(0);
  if (count > kMaxSymbols) return Status(Error::corruptData, "Huffman table has too many symbols");

  std::array<uint32_t, kMaxLength + 1> perLength{};
  for (size_t i = 0; i < count; ++i) {
    if (lengths[i] > kMaxLength) return Status(Error::corruptData, "Huffman code length above 15");
    ++perLength[lengths[i]];
  }
  perLength[0] = 0;

  // Kraft check: a code of more patterns than the bit space is unusable.
  int64_t space = 1;
  for (unsigned n = 1; n <= kMaxLength; ++n) {
    space = space * 2 - perLength[n];
    if (space < 0) return Status(Error::corruptData, "oversubscribed Huffman code");
  }

  uint32_t code = 0;
  uint16_t index = 0;
  for (unsigned n = 1; n <= kMaxLength; ++n) {
    first_[n] = code;
    index_[n] = index;
    code += perLength[n];
    index = static_cast<uint16_t>(index + perLength[n]);
    limit_[n] = code << (kMaxLength - n);
    code <<= 1;
  }

  std::array<uint16_t, kMaxLength + 1> next = index_;
  for (size_t s = 0; s < count; ++s) {
    unsigned n = lengths[s];
    if (n != 0) symbols_[next[n]++] = static_cast<uint16_t>(s);
  }

  // Fill the quick table with every code of up to kQuickBits bits.
  for (unsigned n = 1; n <= kQuickBits; ++n) {
    for (uint32_t i = 0; i < perLength[n]; ++i) {
      uint32_t c = first_[n] + i;
      uint16_t entry = static_cast<uint16_t>(symbols_[index_[n] + i] << 4 | n);
      uint32_t start = c << (kQuickBits - n);
      uint32_t span = uint32_t(1) << (kQuickBits - n);
      for (uint32_t j = 0; j < span; ++j) quick_[start + j] = entry;
    }
  }
  return Status::success();
}

int HuffmanTable::decodeLong(BitReader& in, uint32_t window) const {
  for (unsigned n = kQuickBits + 1; n <= kMaxLength; ++n) {
    if (window < limit_[n]) {
      uint32_t offset = (window >> (kMaxLength - n)) - first_[n];
      in.skip(n);
      return symbols_[index_[n] + offset];
    }
  }
  return -1;
}

Status readLevelTable(BitReader& br, HuffmanTable& levelTable) {
  constexpr unsigned kLevelSymbols = 20;
  uint8_t level[kLevelSymbols];
  for (unsigned i = 0; i < kLevelSymbols;) {
    uint8_t n = static_cast<uint8_t>(br.read(4));
    if (n == 15) {
      unsigned zeros = br.read(4);
      if (zeros != 0) {
        for (zeros += 2; zeros > 0 && i < kLevelSymbols; --zeros) level[i++] = 0;
        continue;
      }
    }
    level[i++] = n;
  }
  return levelTable.build(level, kLevelSymbols);
}

}  // namespace rar::codec
