#pragma once
// CRC-32 (IEEE 802.3, reflected polynomial 0xEDB88320): the checksum of RAR
// headers and member data, and the table the RAR 1.5 and 2.0 ciphers use.

#include <array>
#include <cstddef>
#include <cstdint>

namespace rar {

// The 256-entry table of the reflected polynomial.
const std::array<uint32_t, 256>& crc32Table();

// Continues a CRC register without the initial and final inversion. Uses
// carry-less multiplication folding when the processor has PCLMULQDQ
// (checked at run time), the table otherwise.
uint32_t crc32Raw(uint32_t reg, const uint8_t* data, size_t size);
// The two implementations, for tests and benchmarks: the portable table
// (slicing by 8), and folding (the table when the processor lacks it).
uint32_t crc32RawPortable(uint32_t reg, const uint8_t* data, size_t size);
uint32_t crc32RawFolding(uint32_t reg, const uint8_t* data, size_t size);
bool crc32HasFolding();

// Standard CRC-32 of a buffer, or continues `crc` (a finished value).
uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

class Crc32 {
 public:
  void update(const uint8_t* data, size_t size) { reg_ = crc32Raw(reg_, data, size); }
  uint32_t value() const { return ~reg_; }

 private:
  uint32_t reg_ = 0xFFFFFFFFu;
};

}  // namespace rar
