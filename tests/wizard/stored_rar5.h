#pragma once
// Small RAR 5 archives with stored (uncompressed, unencrypted) members, made
// in memory for startup fixtures: the signature, a main header, one file
// header plus data per member, and the end header.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "rar/checksum/crc32.h"

namespace wizard::testing {

struct StoredMember {
  std::string name;  // UTF-8, '/' separators
  std::string data;
  bool directory = false;
};

inline void PutVint(std::string& out, uint64_t v) {
  do {
    uint8_t b = static_cast<uint8_t>(v & 0x7F);
    v >>= 7;
    if (v != 0) b |= 0x80;
    out.push_back(static_cast<char>(b));
  } while (v != 0);
}

inline void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// CRC32 of the size field and the header body, then both.
inline std::string Block(const std::string& body) {
  std::string sized;
  PutVint(sized, body.size());
  sized += body;
  std::string out;
  PutU32(out, rar::crc32(reinterpret_cast<const uint8_t*>(sized.data()), sized.size()));
  return out + sized;
}

inline std::string StoredRar5(const std::vector<StoredMember>& members) {
  std::string out("Rar!\x1A\x07\x01\x00", 8);
  std::string main;
  PutVint(main, 1);  // main archive header
  PutVint(main, 0);  // header flags
  PutVint(main, 0);  // archive flags
  out += Block(main);
  for (const StoredMember& m : members) {
    std::string h;
    PutVint(h, 2);                                // file header
    PutVint(h, m.directory ? 0 : 0x02);           // a data area follows
    if (!m.directory) PutVint(h, m.data.size());  // data size
    PutVint(h, m.directory ? 0x01 : 0x04);        // directory, or CRC32 present
    PutVint(h, m.data.size());                    // unpacked size
    PutVint(h, m.directory ? 0x10 : 0x20);        // attributes
    if (!m.directory) PutU32(h, rar::crc32(reinterpret_cast<const uint8_t*>(m.data.data()), m.data.size()));
    PutVint(h, 0);  // compression: version 0, stored, smallest dictionary
    PutVint(h, 0);  // host: Windows
    PutVint(h, m.name.size());
    h += m.name;
    out += Block(h);
    if (!m.directory) out += m.data;
  }
  std::string end;
  PutVint(end, 5);
  PutVint(end, 0);
  PutVint(end, 0);
  out += Block(end);
  return out;
}

}  // namespace wizard::testing
