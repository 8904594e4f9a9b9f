#pragma once
// MSB-first bit reader over a member's packed bytes, shared by all RAR
// decoders. It refills a 64-bit accumulator a word at a time from an internal
// buffer. Past the end of the input it supplies zero bits and records the
// overrun, so decoders never read outside the buffer and check overrun() at
// block and symbol-loop boundaries instead of on every bit.

#include <cstddef>
#include <cstdint>

#include "rar/decoder.h"

namespace rar::codec {

class BitReader {
 public:
  // Upper bound for peek()/read() widths: one refill always leaves 57 bits.
  static constexpr unsigned kMaxBits = 32;

  explicit BitReader(PackedInput& in) : in_(in) {}
  BitReader(const BitReader&) = delete;
  BitReader& operator=(const BitReader&) = delete;

  // The next n bits (n <= kMaxBits) as an unsigned number, not consumed.
  uint32_t peek(unsigned n) {
    if (count_ < n) refill();
    return n == 0 ? 0 : static_cast<uint32_t>(bits_ >> (64 - n));
  }
  void skip(unsigned n) {
    if (count_ < n) refill();
    bits_ <<= n;
    count_ -= n;
  }
  uint32_t read(unsigned n) {
    uint32_t v = peek(n);
    skip(n);
    return v;
  }
  // Up to 64 bits, for the widest distance fields.
  uint64_t read64(unsigned n) {
    if (n <= kMaxBits) return read(n);
    uint64_t high = read(n - kMaxBits);
    return (high << kMaxBits) | read(kMaxBits);
  }

  // Drops the bits up to the next byte boundary of the input.
  void alignToByte() { skip(count_ & 7); }

  // One whole byte from a byte-aligned position; -1 once the real input is
  // exhausted (nothing is consumed then).
  int readByte();

  // True once more bits were consumed than the input holds.
  bool overrun() const { return count_ < padBits_; }
  // A failure of the underlying input (read error, missing volume, abort);
  // such a failure also ends the input. Read-ahead may record it before the
  // good bits are used up: report it when the decoder overruns.
  const Status& inputStatus() const { return inputStatus_; }
  // Bits consumed so far from the start of the member's data.
  uint64_t position() const { return loadedBits_ - count_; }
  // True when the whole input has been consumed (or overrun).
  bool exhausted() {
    if (count_ <= padBits_) refill();
    return count_ <= padBits_;
  }

 private:
  static constexpr size_t kBufferSize = 1 << 16;

  void refill();
  bool fillBuffer();

  PackedInput& in_;
  uint64_t bits_ = 0;       // MSB-aligned pending bits
  unsigned count_ = 0;      // pending bits in bits_
  unsigned padBits_ = 0;    // of the pending bits, the low ones that are padding
  uint64_t loadedBits_ = 0; // bits moved into bits_ so far (padding included)
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
  bool inputEnded_ = false;
  Status inputStatus_;
  uint8_t buffer_[kBufferSize];
};

}  // namespace rar::codec
