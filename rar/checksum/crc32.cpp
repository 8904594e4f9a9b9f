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

}  // namespace

const std::array<uint32_t, 256>& crc32Table() { return kTable; }

uint32_t crc32Raw(uint32_t reg, const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) reg = kTable[(reg ^ data[i]) & 0xFF] ^ (reg >> 8);
  return reg;
}

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc) { return ~crc32Raw(~crc, data, size); }

}  // namespace rar
