#pragma once
// Small crafted archives for the hostile-input tests and the fuzz seeds:
// RAR 1.5-4.x and RAR 5 blocks built field by field, for what the writer
// never produces (damaged headers, missing archive headers, file copies,
// end blocks that lie about volumes).

#include <cstdint>
#include <string>
#include <vector>

#include "rar/checksum/crc32.h"

namespace rar::fixtures {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void put32(Bytes& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
inline void putVint(Bytes& b, uint64_t v) {
  do {
    uint8_t c = uint8_t(v & 0x7F);
    v >>= 7;
    b.push_back(uint8_t(c | (v ? 0x80 : 0)));
  } while (v);
}
inline uint32_t crcOf(const std::string& s) { return crc32(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

// ---- RAR 1.5-4.x ----
inline const Bytes kSig15 = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

// A block: CRC16 over `rest` (type onwards), then `rest`.
inline void block15(Bytes& out, const Bytes& rest) {
  put16(out, crc32(rest.data(), rest.size()) & 0xFFFF);
  out.insert(out.end(), rest.begin(), rest.end());
}
inline Bytes main15(uint16_t flags = 0) {
  Bytes h = {0x73};
  put16(h, flags);
  put16(h, 13);
  for (int i = 0; i < 6; ++i) h.push_back(0);
  return h;
}
// A stored file header (type onwards) for `data`.
inline Bytes file15(const std::string& name, const std::string& data, uint16_t extraFlags = 0) {
  Bytes h = {0x74};
  put16(h, 0x8000 | extraFlags);
  put16(h, uint32_t(7 + 25 + name.size()));
  put32(h, uint32_t(data.size()));
  put32(h, uint32_t(data.size()));
  h.push_back(2);  // Windows
  put32(h, crcOf(data));
  put32(h, 0x5A000000);  // DOS time
  h.push_back(29);
  h.push_back(0x30);  // stored
  put16(h, uint32_t(name.size()));
  put32(h, 0x20);
  h.insert(h.end(), name.begin(), name.end());
  return h;
}
inline Bytes end15(uint16_t flags = 0) { return {0x7B, uint8_t(flags), uint8_t(flags >> 8), 7, 0}; }

// ---- RAR 5 ----
inline const Bytes kSig50 = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};

// A block from its body (type onwards): CRC32, size, body.
inline void block50(Bytes& out, const Bytes& body) {
  Bytes sized;
  putVint(sized, body.size());
  sized.insert(sized.end(), body.begin(), body.end());
  put32(out, crc32(sized.data(), sized.size()));
  out.insert(out.end(), sized.begin(), sized.end());
}
inline Bytes main50(uint64_t archiveFlags = 0) {
  Bytes b;
  putVint(b, 1);
  putVint(b, 0);
  putVint(b, archiveFlags);
  return b;
}
inline Bytes end50(uint64_t endFlags = 0) {
  Bytes b;
  putVint(b, 5);
  putVint(b, 0);
  putVint(b, endFlags);
  return b;
}
// A stored file: its header body and, after the block, `data`. A file
// copy (`copyOf` not empty) has no data and declares `size` and `crc`.
inline void file50(Bytes& out, const std::string& name, const std::string& data, const std::string& copyOf = {},
                   uint64_t size = 0, uint32_t crc = 0) {
  Bytes extra;
  if (!copyOf.empty()) {
    Bytes rec;
    putVint(rec, 5);  // redirection
    putVint(rec, 5);  // file copy
    putVint(rec, 0);
    putVint(rec, copyOf.size());
    rec.insert(rec.end(), copyOf.begin(), copyOf.end());
    putVint(extra, rec.size());
    extra.insert(extra.end(), rec.begin(), rec.end());
  }
  Bytes b;
  putVint(b, 2);
  putVint(b, (extra.empty() ? 0 : 0x01) | (data.empty() ? 0 : 0x02));
  if (!extra.empty()) putVint(b, extra.size());
  if (!data.empty()) putVint(b, data.size());
  putVint(b, 0x04);  // CRC present
  putVint(b, copyOf.empty() ? data.size() : size);
  putVint(b, 0x20);
  put32(b, copyOf.empty() ? crcOf(data) : crc);
  putVint(b, 0);  // stored, version 0
  putVint(b, 0);  // Windows
  putVint(b, name.size());
  b.insert(b.end(), name.begin(), name.end());
  b.insert(b.end(), extra.begin(), extra.end());
  block50(out, b);
  out.insert(out.end(), data.begin(), data.end());
}

// A self-extractor stub of `size` bytes made of signatures whose headers
// each claim the largest size their format allows: checking every one in
// full costs time quadratic in the stub's size.
inline Bytes craftedStub(size_t size, bool rar5) {
  Bytes unit;
  if (rar5) {
    unit = kSig50;
    put32(unit, 0);
    unit.push_back(0xFF);  // size 0x1FFFFF (2 MB), three bytes
    unit.push_back(0xFF);
    unit.push_back(0x7F);
  } else {
    unit = kSig15;
    put16(unit, 0);
    unit.push_back(0x73);
    put16(unit, 0);
    put16(unit, 0xFFFF);
  }
  Bytes stub = {'M', 'Z'};
  while (stub.size() + unit.size() <= size) stub.insert(stub.end(), unit.begin(), unit.end());
  stub.resize(size, 0x90);
  return stub;
}

}  // namespace rar::fixtures
