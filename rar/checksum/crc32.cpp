#include "rar/checksum/crc32.h"

namespace rar {
namespace {

constexpr std::array<uint32_t, 256> makeTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    t[i] = c;
  }
  return t;
}

constexpr std::array<uint32_t, 256> kTable = makeTable();

// Slicing by 8: kSlices[k][b] is the CRC register effect of byte b followed
// by k zero bytes, so eight input bytes are folded in with eight lookups.
constexpr std::array<std::array<uint32_t, 256>, 8> makeSlices() {
  std::array<std::array<uint32_t, 256>, 8> t{};
  t[0] = makeTable();
  for (int k = 1; k < 8; ++k)
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}

constexpr std::array<std::array<uint32_t, 256>, 8> kSlices = makeSlices();

}  // namespace

const std::array<uint32_t, 256>& crc32Table() { return kTable; }

uint32_t crc32Raw(uint32_t reg, const uint8_t* data, size_t size) {
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    const uint8_t* p = data + i;
    uint32_t low = reg ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    reg = kSlices[7][low & 0xFF] ^ kSlices[6][(low >> 8) & 0xFF] ^ kSlices[5][(low >> 16) & 0xFF] ^
          kSlices[4][low >> 24] ^ kSlices[3][p[4]] ^ kSlices[2][p[5]] ^ kSlices[1][p[6]] ^ kSlices[0][p[7]];
  }
  for (; i < size; ++i) reg = kTable[(reg ^ data[i]) & 0xFF] ^ (reg >> 8);
  return reg;
}

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc) { return ~crc32Raw(~crc, data, size); }

}  // namespace rar
