#include "rar/crypto/sha1_rar3.h"

#include <cstring>

namespace rar::crypto {
namespace {

uint32_t rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

Rar3Sha1::Rar3Sha1() : h_{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u} {}

void Rar3Sha1::transform(const uint8_t block[64], uint32_t scheduleOut[16]) {
  uint32_t w[16];
  for (int i = 0; i < 16; ++i)
    w[i] = uint32_t(block[4 * i]) << 24 | uint32_t(block[4 * i + 1]) << 16 | uint32_t(block[4 * i + 2]) << 8 |
           uint32_t(block[4 * i + 3]);
  uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4];
  for (int t = 0; t < 80; ++t) {
    uint32_t wt;
    if (t < 16) {
      wt = w[t];
    } else {
      wt = rol(w[(t + 13) & 15] ^ w[(t + 8) & 15] ^ w[(t + 2) & 15] ^ w[t & 15], 1);
      w[t & 15] = wt;
    }
    uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999u;
    } else if (t < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1u;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6u;
    }
    uint32_t tmp = rol(a, 5) + f + e + k + wt;
    e = d;
    d = c;
    c = rol(b, 30);
    b = a;
    a = tmp;
  }
  h_[0] += a;
  h_[1] += b;
  h_[2] += c;
  h_[3] += d;
  h_[4] += e;
  if (scheduleOut) std::memcpy(scheduleOut, w, sizeof(w));
}

void Rar3Sha1::update(uint8_t* data, size_t size) {
  size_t used = size_t(length_ & 63);
  length_ += size;
  size_t i = 0;
  if (used + size >= 64) {
    i = 64 - used;
    std::memcpy(buffer_.data() + used, data, i);
    transform(buffer_.data(), nullptr);
    // Blocks taken straight from the caller's buffer: RAR stores the final
    // schedule words back into them, in the machine's (little-endian) order.
    for (; i + 64 <= size; i += 64) {
      uint32_t w[16];
      transform(data + i, w);
      for (int k = 0; k < 16; ++k)
        for (int b = 0; b < 4; ++b) data[i + 4 * k + b] = uint8_t(w[k] >> (8 * b));
    }
    used = 0;
  }
  std::memcpy(buffer_.data() + used, data + i, size - i);
}

std::array<uint8_t, 20> Rar3Sha1::digest() const {
  Rar3Sha1 copy = *this;
  uint64_t bits = length_ * 8;
  uint8_t pad[72] = {0x80};
  size_t padLen = ((length_ & 63) < 56) ? 56 - (length_ & 63) : 120 - (length_ & 63);
  for (int i = 0; i < 8; ++i) pad[padLen + i] = uint8_t(bits >> (56 - 8 * i));
  // Padding goes through the internal buffer only, never back to a caller.
  size_t total = padLen + 8;
  size_t used = size_t(copy.length_ & 63);
  for (size_t i = 0; i < total; ++i) {
    copy.buffer_[used++] = pad[i];
    if (used == 64) {
      copy.transform(copy.buffer_.data(), nullptr);
      used = 0;
    }
  }
  std::array<uint8_t, 20> out{};
  for (int i = 0; i < 5; ++i)
    for (int b = 0; b < 4; ++b) out[4 * i + b] = uint8_t(copy.h_[i] >> (24 - 8 * b));
  return out;
}

}  // namespace rar::crypto
