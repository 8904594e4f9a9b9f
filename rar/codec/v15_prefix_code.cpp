#include "rar/codec/v15_prefix_code.h"

#include <algorithm>

namespace rar::codec {

void FixedPrefixCode::add(uint16_t symbol, uint32_t code, int length) {
  // Every table index whose top `length` bits equal the code.
  const int spare = maxLength_ - length;
  const uint32_t first = (code & ((1u << length) - 1)) << spare;
  for (uint32_t i = 0; i < (1u << spare); ++i) table_[first + i] = Entry{symbol, static_cast<uint8_t>(length)};
}

FixedPrefixCode FixedPrefixCode::fromLengths(const uint8_t* lengths, int count) {
  FixedPrefixCode c;
  c.maxLength_ = *std::max_element(lengths, lengths + count);
  c.table_.assign(size_t(1) << c.maxLength_, Entry{0, 0});
  uint32_t code = 0;
  for (int length = 1; length <= c.maxLength_; ++length) {
    for (int s = 0; s < count; ++s) {
      if (lengths[s] != length) continue;
      c.add(static_cast<uint16_t>(s), code, length);
      ++code;
    }
    code <<= 1;
  }
  return c;
}

FixedPrefixCode FixedPrefixCode::fromCodes(const Code* codes, int count) {
  FixedPrefixCode c;
  for (int i = 0; i < count; ++i) c.maxLength_ = std::max<int>(c.maxLength_, codes[i].length);
  c.table_.assign(size_t(1) << c.maxLength_, Entry{0, 0});
  for (int i = 0; i < count; ++i) c.add(codes[i].symbol, codes[i].code, codes[i].length);
  return c;
}

}  // namespace rar::codec
