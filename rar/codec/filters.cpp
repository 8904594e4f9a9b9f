#include "rar/codec/filters.h"

#include <cstdlib>

namespace rar::codec::filters {
namespace {

uint32_t load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void store32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

constexpr uint32_t kAddressSpace = 0x1000000;  // the x86 filters' 16 MB "file size"

// One address field: `offset` is the position of the field itself.
void convertAddress(uint8_t* field, uint32_t offset) {
  uint32_t addr = load32(field);
  if (addr & 0x80000000u) {
    // Negative: it was made absolute only when addr + offset >= 0.
    if (((addr + offset) & 0x80000000u) == 0) store32(field, addr + kAddressSpace);
  } else if (addr < kAddressSpace) {
    store32(field, addr - offset);
  }
}

}  // namespace

void x86v5(uint8_t* data, size_t size, uint64_t fileOffset, bool alsoE9) {
  if (size < 5) return;
  for (size_t i = 0; i + 4 < size;) {
    uint8_t b = data[i++];
    if (b == 0xE8 || (alsoE9 && b == 0xE9)) {
      convertAddress(data + i, static_cast<uint32_t>((fileOffset + i) % kAddressSpace));
      i += 4;
    }
  }
}

void x86v3(uint8_t* data, size_t size, uint32_t fileOffset, bool alsoE9) {
  if (size < 5) return;
  for (size_t i = 0; i + 4 < size;) {
    uint8_t b = data[i++];
    if (b == 0xE8 || (alsoE9 && b == 0xE9)) {
      convertAddress(data + i, static_cast<uint32_t>(fileOffset + i));
      i += 4;
    }
  }
}

void arm(uint8_t* data, size_t size, uint64_t fileOffset) {
  for (size_t i = 0; i + 3 < size; i += 4) {
    if (data[i + 3] != 0xEB) continue;
    uint32_t target = uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16;
    target -= static_cast<uint32_t>((fileOffset + i) / 4);
    data[i] = static_cast<uint8_t>(target);
    data[i + 1] = static_cast<uint8_t>(target >> 8);
    data[i + 2] = static_cast<uint8_t>(target >> 16);
  }
}

namespace {

// Bit fields of an Itanium bundle, little-endian bit order; the bundle
// accessors never go past byte 18 of a bundle that has at least 22 bytes.
uint32_t bundleBits(const uint8_t* p, unsigned pos, unsigned count) {
  uint32_t v = load32(p + pos / 8) >> (pos & 7);
  return v & (0xFFFFFFFFu >> (32 - count));
}
void setBundleBits(uint8_t* p, unsigned pos, unsigned count, uint32_t bits) {
  uint32_t mask = (0xFFFFFFFFu >> (32 - count)) << (pos & 7);
  uint32_t v = load32(p + pos / 8);
  v = (v & ~mask) | ((bits << (pos & 7)) & mask);
  store32(p + pos / 8, v);
}

}  // namespace

void itanium(uint8_t* data, size_t size, uint32_t fileOffset) {
  // Which of the three instruction slots hold branches, by template number
  // (RAR 3 Itanium filter table).
  static constexpr uint8_t kBranchSlots[16] = {4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
  uint32_t bundle = fileOffset >> 4;
  for (size_t pos = 0; size > 21 && pos < size - 21; pos += 16, ++bundle) {
    uint8_t* b = data + pos;
    int tmpl = (b[0] & 0x1F) - 0x10;
    if (tmpl < 0) continue;
    uint8_t slots = kBranchSlots[tmpl];
    for (unsigned slot = 0; slot < 3; ++slot) {
      if ((slots & (1u << slot)) == 0) continue;
      unsigned bit = slot * 41 + 18;
      if (bundleBits(b, bit + 24, 4) != 5) continue;
      uint32_t target = bundleBits(b, bit, 20) - bundle;
      setBundleBits(b, bit, 20, target);
    }
  }
}

void delta(const uint8_t* src, uint8_t* dst, size_t size, unsigned channels) {
  size_t in = 0;
  for (unsigned ch = 0; ch < channels; ++ch) {
    uint8_t prev = 0;
    for (size_t i = ch; i < size; i += channels) {
      prev = static_cast<uint8_t>(prev - src[in++]);
      dst[i] = prev;
    }
  }
}

void rgb(const uint8_t* src, uint8_t* dst, size_t size, uint32_t width, uint32_t posR) {
  const size_t stride = width - 3;  // distance to the pixel above, minus one pixel
  size_t in = 0;
  for (unsigned c = 0; c < 3; ++c) {
    int prev = 0;
    for (size_t i = c; i < size; i += 3) {
      int predicted = prev;
      if (i >= stride + 3) {
        size_t up = i - stride;
        int upper = dst[up];
        int upperLeft = dst[up - 3];
        int guess = prev + upper - upperLeft;
        int pa = std::abs(guess - prev);
        int pb = std::abs(guess - upper);
        int pc = std::abs(guess - upperLeft);
        predicted = (pa <= pb && pa <= pc) ? prev : (pb <= pc ? upper : upperLeft);
      }
      prev = (predicted - src[in++]) & 0xFF;
      dst[i] = static_cast<uint8_t>(prev);
    }
  }
  for (size_t i = posR; i + 2 < size; i += 3) {
    uint8_t g = dst[i + 1];
    dst[i] = static_cast<uint8_t>(dst[i] + g);
    dst[i + 2] = static_cast<uint8_t>(dst[i + 2] + g);
  }
}

void audio(const uint8_t* src, uint8_t* dst, size_t size, unsigned channels) {
  size_t in = 0;
  for (unsigned ch = 0; ch < channels; ++ch) {
    int prev = 0;
    unsigned count = 0;
    int diff[7] = {};
    int d[3] = {};
    int k[3] = {};
    for (size_t i = ch; i < size; i += channels, ++count) {
      int predicted = (prev * 8 + k[0] * d[0] + k[1] * d[1] + k[2] * d[2]) >> 3;
      predicted = static_cast<int8_t>(static_cast<uint8_t>(predicted & 0xFF));
      int cur = static_cast<int8_t>(src[in++]);
      predicted -= cur;
      dst[i] = static_cast<uint8_t>(predicted & 0xFF);

      int dd = cur * 8;
      diff[0] += std::abs(dd);
      diff[1] += std::abs(dd - d[0]);
      diff[2] += std::abs(dd + d[0]);
      diff[3] += std::abs(dd - d[1]);
      diff[4] += std::abs(dd + d[1]);
      diff[5] += std::abs(dd - d[2]);
      diff[6] += std::abs(dd + d[2]);

      int delta = static_cast<int8_t>(static_cast<uint8_t>((predicted - prev) & 0xFF));
      prev = predicted;
      d[2] = d[1];
      d[1] = delta - d[0];
      d[0] = delta;

      if ((count & 0x1F) == 0) {
        int best = 0;
        int least = diff[0];
        diff[0] = 0;
        for (int j = 1; j < 7; ++j) {
          if (diff[j] < least) {
            least = diff[j];
            best = j;
          }
          diff[j] = 0;
        }
        if (best > 0) {
          int m = (best - 1) / 2;
          if ((best - 1) % 2 == 0) {
            if (k[m] >= -16) --k[m];
          } else if (k[m] < 16) {
            ++k[m];
          }
        }
      }
    }
  }
}

}  // namespace rar::codec::filters
