#pragma once
// The sliding window of the v29 and v50 methods: a power-of-two ring buffer
// holding the decoded history of the current solid run, addressed by absolute
// stream positions (uint64) so filters and member boundaries need no modulo
// arithmetic. Writing never checks bounds per byte: the position is masked,
// and a match copy takes the fast contiguous path only after proving that
// both source and destination lie inside the buffer without wrapping.
//
// The window does not know about unflushed data; its owner flushes before
// pos() - flushed position can reach size() (see the decoders' flush logic).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "rar/codec/window_memory.h"
#include "rar/decoder.h"

namespace rar::codec {

class MatchWindow {
 public:
  // Ensures a window of at least `size` bytes (rounded up to a power of two).
  // Growing keeps the history of the run. Fails with Error::unsupported when
  // the memory cannot be had.
  Status reserve(uint64_t size);
  // Forgets the history: a new (non-solid) stream starts at position 0.
  void reset() {
    pos_ = 0;
    validFrom_ = 0;
  }

  size_t size() const { return size_; }
  uint64_t pos() const { return pos_; }
  // How far back a match may reach: bytes of intact history (a window grown
  // mid-run has lost what the smaller one had already overwritten).
  uint64_t history() const {
    uint64_t h = pos_ - validFrom_;
    return h < size_ ? h : size_;
  }

  void putByte(uint8_t b) { data_[pos_++ & mask_] = b; }

  // Copies `length` bytes from `distance` back. The caller has checked
  // 1 <= distance <= history().
  void copyMatch(size_t distance, size_t length) {
    size_t dst = static_cast<size_t>(pos_) & mask_;
    size_t src = (dst - distance) & mask_;
    pos_ += length;
    if (dst + length <= size_ && src + length <= size_) {
      uint8_t* d = data_.get() + dst;
      const uint8_t* s = data_.get() + src;
      if (distance >= 8) {
        // Chunks never overlap their own source when distance >= 8.
        while (length >= 8) {
          std::memcpy(d, s, 8);
          d += 8;
          s += 8;
          length -= 8;
        }
      } else if (distance == 1) {
        std::memset(d, *s, length);
        return;
      }
      while (length-- > 0) *d++ = *s++;
      return;
    }
    while (length-- > 0) {
      data_[dst] = data_[src];
      dst = (dst + 1) & mask_;
      src = (src + 1) & mask_;
    }
  }

  // Copies the stream bytes [from, from + length) into `dst`; the range must
  // be within the last size() bytes written.
  void copyOut(uint64_t from, size_t length, uint8_t* dst) const;
  // Hands the stream bytes [from, to) to `out` in at most two contiguous pieces.
  Status write(uint64_t from, uint64_t to, DecodedOutput& out) const;

 private:
  WindowMemory data_;
  size_t size_ = 0;
  size_t mask_ = 0;
  uint64_t pos_ = 0;
  uint64_t validFrom_ = 0;  // earliest stream position still held
};

}  // namespace rar::codec
