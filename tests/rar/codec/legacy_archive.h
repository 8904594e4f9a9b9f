#pragma once
// Test helper: the packed data of the members of a RAR 1.5-4.x archive from
// the shared test data, so decoder tests can run on streams the RAR tool
// wrote without depending on the container reader. Handles plain archives
// only (no encryption, no volumes); enough for the fixtures used here.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace rar::codec::test {

struct LegacyMember {
  std::string name;
  std::vector<uint8_t> packed;
  uint64_t unpackedSize = 0;
  uint32_t crc = 0;
  uint8_t unpackVersion = 0;
  uint8_t method = 0;
  uint64_t dictionary = 0;
  bool solidFlag = false;  // the member's own solid flag (RAR 2.0 and later)
};

inline std::vector<uint8_t> readFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline std::vector<LegacyMember> readLegacyMembers(const std::string& path) {
  const std::vector<uint8_t> d = readFileBytes(path);
  auto u16 = [&](size_t p) { return static_cast<uint32_t>(d[p] | d[p + 1] << 8); };
  auto u32 = [&](size_t p) { return u16(p) | u16(p + 2) << 16; };
  std::vector<LegacyMember> members;
  const uint8_t sig[] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
  size_t pos = 0;
  while (pos + 7 <= d.size() && !std::equal(sig, sig + 7, d.begin() + static_cast<std::ptrdiff_t>(pos))) ++pos;
  pos += 7;
  while (pos + 7 <= d.size()) {
    const uint8_t type = d[pos + 2];
    const uint32_t flags = u16(pos + 3);
    const uint32_t size = u16(pos + 5);
    if (size < 7 || pos + size > d.size()) break;
    uint64_t add = 0;
    if ((flags & 0x8000) || type == 0x74) add = u32(pos + 7);
    if (type == 0x74 && pos + 32 <= d.size()) {
      LegacyMember m;
      uint64_t packSize = add;
      m.unpackedSize = u32(pos + 11);
      m.crc = u32(pos + 16);
      m.unpackVersion = d[pos + 24];
      m.method = d[pos + 25];
      const uint32_t nameSize = u16(pos + 26);
      size_t p = pos + 32;
      if (flags & 0x100) {
        packSize |= uint64_t(u32(p)) << 32;
        m.unpackedSize |= uint64_t(u32(p + 4)) << 32;
        p += 8;
      }
      m.name.assign(d.begin() + static_cast<std::ptrdiff_t>(p), d.begin() + static_cast<std::ptrdiff_t>(p + nameSize));
      m.dictionary = uint64_t(0x10000) << ((flags >> 5) & 7);
      m.solidFlag = (flags & 0x10) != 0;
      if (pos + size + packSize > d.size()) break;
      m.packed.assign(d.begin() + static_cast<std::ptrdiff_t>(pos + size),
                      d.begin() + static_cast<std::ptrdiff_t>(pos + size + packSize));
      members.push_back(std::move(m));
      add = packSize;
    }
    pos += size + add;
  }
  return members;
}

// CRC-32 (IEEE, reflected), bitwise: test-only, speed does not matter.
inline uint32_t crc32Of(const std::vector<uint8_t>& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

}  // namespace rar::codec::test
