#pragma once
// Writes RAR 5 compressed streams for tests with fixed, simple tables: every
// main symbol has a 9-bit code equal to its number, distance and length slots
// 6-bit codes, alignment symbols 4-bit codes; the level code gives each value
// 0..19 a 5-bit code equal to the value.

#include <cstdint>
#include <vector>

#include "tests/rar/codec/stream_builder.h"

namespace rar::codec::test {

class V50Stream {
 public:
  explicit V50Stream(unsigned distanceCodes = 64) : distanceCodes_(distanceCodes) {}

  // Table section (written at the start of the next block).
  void tables() { tables_ = true; }
  void literal(uint8_t b) { body_.put(b, 9); }
  void literals(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) literal(b);
  }
  // A match whose *encoded* length is `length` (the decoder adds the
  // distance bonus) at `distance` (1-based).
  void match(uint32_t length, uint64_t distance) {
    unsigned slot = 0;
    uint32_t extra = 0;
    unsigned bits = 0;
    lengthSlot(length, slot, extra, bits);
    body_.put(262 + slot, 9);
    body_.put(extra, bits);
    distanceSlot(distance);
  }
  void repeatLast() { body_.put(257, 9); }
  void repeatDistance(unsigned index, uint32_t length) {
    unsigned slot = 0;
    uint32_t extra = 0;
    unsigned bits = 0;
    lengthSlot(length, slot, extra, bits);
    body_.put(258 + index, 9);
    body_.put(slot, 6);
    body_.put(extra, bits);
  }
  // Filter record: type 0 DELTA (with channels), 1 E8, 2 E8E9, 3 ARM.
  void filter(uint32_t start, uint32_t size, unsigned type, unsigned channels = 1) {
    body_.put(256, 9);
    number(start);
    number(size);
    body_.put(type, 3);
    if (type == 0) body_.put(channels - 1, 5);
  }
  void rawBits(uint64_t v, unsigned n) { body_.put(v, n); }

  // Closes the current block and appends it to the stream.
  void endBlock(bool last) {
    BitWriter block;
    if (tables_) writeTables(block);
    for (size_t i = 0; i < body_.bitCount(); ++i) block.putBit((body_.bytes()[i / 8] >> (7 - i % 8)) & 1);
    size_t size = block.bytes().size();
    unsigned lastBits = block.bitsInLastByte();
    unsigned sizeBytes = size < 0x100 ? 1 : size < 0x10000 ? 2 : 3;
    uint8_t flags = static_cast<uint8_t>((tables_ ? 0x80 : 0) | (last ? 0x40 : 0) | (sizeBytes - 1) << 3 | (lastBits - 1));
    uint8_t check = 0x5A ^ flags;
    for (unsigned i = 0; i < sizeBytes; ++i) check ^= static_cast<uint8_t>(size >> (8 * i));
    out_.push_back(flags);
    out_.push_back(check);
    for (unsigned i = 0; i < sizeBytes; ++i) out_.push_back(static_cast<uint8_t>(size >> (8 * i)));
    out_.insert(out_.end(), block.bytes().begin(), block.bytes().end());
    body_ = BitWriter();
    tables_ = false;
  }
  std::vector<uint8_t> finish() {
    endBlock(true);
    return out_;
  }
  std::vector<uint8_t>& bytes() { return out_; }

 private:
  void number(uint32_t v) {
    unsigned n = v < 0x100 ? 1 : v < 0x10000 ? 2 : v < 0x1000000 ? 3 : 4;
    body_.put(n - 1, 2);
    for (unsigned i = 0; i < n; ++i) body_.put((v >> (8 * i)) & 0xFF, 8);
  }
  static void lengthSlot(uint32_t length, unsigned& slot, uint32_t& extra, unsigned& bits) {
    if (length < 10) {
      slot = length - 2;
      extra = 0;
      bits = 0;
      return;
    }
    for (slot = 8; slot < 44; ++slot) {
      bits = slot / 4 - 1;
      uint32_t base = 2 + ((4 | (slot & 3)) << bits);
      if (length >= base && length < base + (1u << bits)) {
        extra = length - base;
        return;
      }
    }
  }
  void distanceSlot(uint64_t distance) {
    uint64_t d = distance - 1;
    if (d < 4) {
      body_.put(d, distanceCodes_ > 64 ? 7 : 6);
      return;
    }
    for (unsigned slot = 4; slot < distanceCodes_; ++slot) {
      unsigned bits = slot / 2 - 1;
      uint64_t base = uint64_t(2 | (slot & 1)) << bits;
      if (d >= base && d < base + (uint64_t(1) << bits)) {
        body_.put(slot, 6 + (distanceCodes_ > 64 ? 1 : 0));
        uint64_t extra = d - base;
        if (bits >= 4) {
          body_.put(extra >> 4, bits - 4);
          body_.put(extra & 15, 4);
        } else {
          body_.put(extra, bits);
        }
        return;
      }
    }
  }
  void writeTables(BitWriter& w) {
    for (int i = 0; i < 20; ++i) w.put(5, 4);  // level code: every value 5 bits
    auto lengths = [&w](unsigned count, unsigned len) {
      for (unsigned i = 0; i < count; ++i) w.put(len, 5);
    };
    lengths(306, 9);
    lengths(distanceCodes_, distanceCodes_ > 64 ? 7 : 6);
    lengths(16, 4);
    lengths(44, 6);
  }

  unsigned distanceCodes_;
  bool tables_ = false;
  BitWriter body_;
  std::vector<uint8_t> out_;
};

}  // namespace rar::codec::test
