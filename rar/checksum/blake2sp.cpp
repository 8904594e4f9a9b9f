#include "rar/checksum/blake2sp.h"

#include <algorithm>
#include <cstring>

#include "rar/checksum/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define RAR_BLAKE2_X86 1
#endif

namespace rar {
namespace {

constexpr std::array<uint32_t, 8> kIv = {0x6A09E667u, 0xBB67AE85u, 0x3C6EF372u, 0xA54FF53Au,
                                         0x510E527Fu, 0x9B05688Cu, 0x1F83D9ABu, 0x5BE0CD19u};

constexpr uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4}, {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13}, {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11}, {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5}, {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
};

uint32_t rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

uint32_t load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void compress(Blake2sp::State& s, const uint8_t* block) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i) m[i] = load32(block + 4 * i);
  uint32_t v[16];
  for (int i = 0; i < 8; ++i) v[i] = s.h[i];
  for (int i = 0; i < 4; ++i) v[8 + i] = kIv[i];
  v[12] = kIv[4] ^ s.t[0];
  v[13] = kIv[5] ^ s.t[1];
  v[14] = kIv[6] ^ s.f[0];
  v[15] = kIv[7] ^ s.f[1];
  auto g = [&](int a, int b, int c, int d, uint32_t x, uint32_t y) {
    v[a] = v[a] + v[b] + x;
    v[d] = rotr(v[d] ^ v[a], 16);
    v[c] = v[c] + v[d];
    v[b] = rotr(v[b] ^ v[c], 12);
    v[a] = v[a] + v[b] + y;
    v[d] = rotr(v[d] ^ v[a], 8);
    v[c] = v[c] + v[d];
    v[b] = rotr(v[b] ^ v[c], 7);
  };
  for (const auto& s8 : kSigma) {
    g(0, 4, 8, 12, m[s8[0]], m[s8[1]]);
    g(1, 5, 9, 13, m[s8[2]], m[s8[3]]);
    g(2, 6, 10, 14, m[s8[4]], m[s8[5]]);
    g(3, 7, 11, 15, m[s8[6]], m[s8[7]]);
    g(0, 5, 10, 15, m[s8[8]], m[s8[9]]);
    g(1, 6, 11, 12, m[s8[10]], m[s8[11]]);
    g(2, 7, 8, 13, m[s8[12]], m[s8[13]]);
    g(3, 4, 9, 14, m[s8[14]], m[s8[15]]);
  }
  for (int i = 0; i < 8; ++i) s.h[i] ^= v[i] ^ v[i + 8];
}

// Parameter block of BLAKE2sp nodes: digest 32, no key, fanout 8, depth 2,
// node offset, node depth (0 leaves, 1 root), inner length 32.
void initNode(Blake2sp::State& s, uint32_t nodeOffset, uint32_t nodeDepth) {
  s = {};
  s.h = kIv;
  s.h[0] ^= 32u | (8u << 16) | (2u << 24);
  s.h[2] ^= nodeOffset;
  s.h[3] ^= (nodeDepth << 16) | (32u << 24);
}

void addCounter(Blake2sp::State& s, uint32_t n) {
  s.t[0] += n;
  if (s.t[0] < n) ++s.t[1];
}

void feedNode(Blake2sp::State& s, const uint8_t* data, size_t size) {
  while (size > 0) {
    // Keep the last block buffered: it is compressed with the final flag.
    if (s.buffered == 64) {
      addCounter(s, 64);
      compress(s, s.buffer.data());
      s.buffered = 0;
    }
    size_t n = std::min(size, size_t(64) - s.buffered);
    std::memcpy(s.buffer.data() + s.buffered, data, n);
    s.buffered += n;
    data += n;
    size -= n;
  }
}

void finishNode(Blake2sp::State& s, uint8_t out[32]) {
  addCounter(s, uint32_t(s.buffered));
  std::fill(s.buffer.begin() + s.buffered, s.buffer.end(), uint8_t(0));
  s.f[0] = 0xFFFFFFFFu;
  if (s.lastNode) s.f[1] = 0xFFFFFFFFu;
  compress(s, s.buffer.data());
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 4; ++k) out[4 * i + k] = uint8_t(s.h[i] >> (8 * k));
}

#ifdef RAR_BLAKE2_X86
// 32-bit Windows keeps the stack only 4-byte aligned; SSE spills need 16.
#ifdef __i386__
#define B2_ALIGN_STACK force_align_arg_pointer,
#else
#define B2_ALIGN_STACK
#endif

#define B2_NAME compress4Sse2
#define B2_TARGET __attribute__((B2_ALIGN_STACK target("sse2")))
#define B2_ROT16(x) _mm_or_si128(_mm_srli_epi32(x, 16), _mm_slli_epi32(x, 16))
#define B2_ROT8(x) _mm_or_si128(_mm_srli_epi32(x, 8), _mm_slli_epi32(x, 24))
#include "rar/checksum/blake2sp_x86.inc"
#undef B2_NAME
#undef B2_TARGET
#undef B2_ROT16
#undef B2_ROT8

// SSSE3 rotates by whole bytes with one shuffle.
#define B2_NAME compress4Ssse3
#define B2_TARGET __attribute__((B2_ALIGN_STACK target("ssse3")))
#define B2_ROT16(x) _mm_shuffle_epi8(x, _mm_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13))
#define B2_ROT8(x) _mm_shuffle_epi8(x, _mm_setr_epi8(1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12))
#include "rar/checksum/blake2sp_x86.inc"
#undef B2_NAME
#undef B2_TARGET
#undef B2_ROT16
#undef B2_ROT8
#undef B2_ALIGN_STACK
#endif

Blake2Path usable(Blake2Path wanted) {
  const ChecksumFeatures& f = checksumFeatures();
  if (wanted == Blake2Path::ssse3 && !f.ssse3) wanted = Blake2Path::sse2;
  if (wanted == Blake2Path::sse2 && !f.sse2) wanted = Blake2Path::portable;
#ifndef RAR_BLAKE2_X86
  wanted = Blake2Path::portable;
#endif
  return wanted;
}

}  // namespace

bool blake2spSupports(Blake2Path path) { return usable(path) == path; }

Blake2Path blake2spBestPath() { return usable(Blake2Path::ssse3); }

Blake2sp::Blake2sp() : Blake2sp(blake2spBestPath()) {}

Blake2sp::Blake2sp(Blake2Path path) : path_(usable(path)) {
  for (uint32_t i = 0; i < 8; ++i) initNode(leaves_[i], i, 0);
  leaves_[7].lastNode = true;
  initNode(root_, 0, 1);
  root_.lastNode = true;
}

// Hands each leaf its 64-byte block of a full stripe. Every leaf keeps its
// latest block until more input for it arrives (the last one is compressed
// with the final flag), so after the first stripe all eight leaves hold a
// full block, and those eight are compressed together.
void Blake2sp::dealStripe(const uint8_t* stripe) {
#ifdef RAR_BLAKE2_X86
  const bool lockstep = std::all_of(leaves_.begin(), leaves_.end(), [](const State& l) { return l.buffered == 64; });
  if (path_ != Blake2Path::portable && lockstep) {
    State* s[8];
    const uint8_t* blocks[8];
    for (size_t i = 0; i < 8; ++i) {
      addCounter(leaves_[i], 64);
      s[i] = &leaves_[i];
      blocks[i] = leaves_[i].buffer.data();
    }
    if (path_ == Blake2Path::ssse3) {
      compress4Ssse3(s, blocks);
      compress4Ssse3(s + 4, blocks + 4);
    } else {
      compress4Sse2(s, blocks);
      compress4Sse2(s + 4, blocks + 4);
    }
    for (size_t i = 0; i < 8; ++i) std::memcpy(leaves_[i].buffer.data(), stripe + 64 * i, 64);
    return;
  }
#endif
  for (size_t i = 0; i < 8; ++i) feedNode(leaves_[i], stripe + 64 * i, 64);
}

void Blake2sp::update(const uint8_t* data, size_t size) {
  // Input is dealt round-robin to the leaves in 64-byte blocks. A full
  // stripe of 8 blocks is handed out only once more input follows, so the
  // final blocks of every leaf stay buffered for the last-block flag.
  constexpr size_t kStripe = 8 * 64;
  while (size > 0) {
    if (pendingSize_ == kStripe) {
      dealStripe(pending_.data());
      pendingSize_ = 0;
    }
    // Whole stripes straight from the input, without the copy.
    if (pendingSize_ == 0) {
      for (; size > kStripe; data += kStripe, size -= kStripe) dealStripe(data);
    }
    size_t n = std::min(size, kStripe - pendingSize_);
    std::memcpy(pending_.data() + pendingSize_, data, n);
    pendingSize_ += n;
    data += n;
    size -= n;
  }
}

Blake2Digest Blake2sp::finish() {
  for (size_t i = 0; i < 8; ++i) {
    size_t start = 64 * i;
    if (pendingSize_ > start) feedNode(leaves_[i], pending_.data() + start, std::min<size_t>(64, pendingSize_ - start));
  }
  pendingSize_ = 0;
  for (auto& leaf : leaves_) {
    uint8_t digest[32];
    finishNode(leaf, digest);
    feedNode(root_, digest, 32);
  }
  Blake2Digest out{};
  finishNode(root_, out.data());
  return out;
}

}  // namespace rar
