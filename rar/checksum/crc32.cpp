#include "rar/checksum/crc32.h"

#include "rar/checksum/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define RAR_CRC32_FOLDING 1
#endif

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

uint32_t crc32RawPortable(uint32_t reg, const uint8_t* data, size_t size) {
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

#ifdef RAR_CRC32_FOLDING
namespace {

// Folding with carry-less multiplication: four 128-bit lanes are folded
// forward over 64 bytes at a time, then into one lane, then reduced to 32
// bits (Barrett). The constants are x^n mod P for the reflected polynomial.
#define RAR_FOLD_TARGET __attribute__((target("pclmul,sse2")))
// 32-bit Windows keeps the stack only 4-byte aligned; SSE spills need 16.
#ifdef __i386__
#define RAR_FOLD_ENTRY __attribute__((target("pclmul,sse2"), force_align_arg_pointer))
#else
#define RAR_FOLD_ENTRY RAR_FOLD_TARGET
#endif

RAR_FOLD_TARGET inline __m128i load(const uint8_t* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); }

// x * k (each 64-bit half by its own constant), added to `next`.
RAR_FOLD_TARGET inline __m128i fold(__m128i x, __m128i k, __m128i next) {
  __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
  __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

RAR_FOLD_ENTRY uint32_t foldBlocks(uint32_t reg, const uint8_t* p, size_t size) {
  // size >= 64, a multiple of 16.
  const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL);
  const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);
  const __m128i k5 = _mm_set_epi64x(0, 0x163cd6124LL);
  const __m128i poly = _mm_set_epi64x(0x1f7011641LL, 0x1db710641LL);  // mu, P'
  const __m128i mask32 = _mm_setr_epi32(-1, 0, 0, 0);
  __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(int(reg)));
  __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
  p += 64;
  size -= 64;
  while (size >= 64) {
    x1 = fold(x1, k1k2, load(p));
    x2 = fold(x2, k1k2, load(p + 16));
    x3 = fold(x3, k1k2, load(p + 32));
    x4 = fold(x4, k1k2, load(p + 48));
    p += 64;
    size -= 64;
  }
  x1 = fold(x1, k3k4, x2);
  x1 = fold(x1, k3k4, x3);
  x1 = fold(x1, k3k4, x4);
  while (size >= 16) {
    x1 = fold(x1, k3k4, load(p));
    p += 16;
    size -= 16;
  }
  // 128 -> 64 bits, then 64 -> 32 (Barrett reduction).
  __m128i t = _mm_clmulepi64_si128(x1, k3k4, 0x10);
  x1 = _mm_xor_si128(t, _mm_srli_si128(x1, 8));
  t = _mm_srli_si128(x1, 4);
  x1 = _mm_and_si128(x1, mask32);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k5, 0x00), t);
  t = x1;
  x1 = _mm_and_si128(x1, mask32);
  x1 = _mm_clmulepi64_si128(x1, poly, 0x10);
  x1 = _mm_and_si128(x1, mask32);
  x1 = _mm_clmulepi64_si128(x1, poly, 0x00);
  x1 = _mm_xor_si128(x1, t);
  return uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

}  // namespace

bool crc32HasFolding() { return checksumFeatures().pclmul; }

uint32_t crc32RawFolding(uint32_t reg, const uint8_t* data, size_t size) {
  if (size < 64 || !crc32HasFolding()) return crc32RawPortable(reg, data, size);
  size_t blocks = size & ~size_t(15);
  reg = foldBlocks(reg, data, blocks);
  return crc32RawPortable(reg, data + blocks, size - blocks);
}
#else
bool crc32HasFolding() { return false; }
uint32_t crc32RawFolding(uint32_t reg, const uint8_t* data, size_t size) { return crc32RawPortable(reg, data, size); }
#endif

uint32_t crc32Raw(uint32_t reg, const uint8_t* data, size_t size) {
  // Short inputs (headers) are not worth the setup of the folding path.
  if (size >= 256 && crc32HasFolding()) return crc32RawFolding(reg, data, size);
  return crc32RawPortable(reg, data, size);
}

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc) { return ~crc32Raw(~crc, data, size); }

}  // namespace rar
