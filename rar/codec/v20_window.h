#pragma once
// The sliding window of the v15 and v20 methods: a power-of-two ring buffer
// that also stages the member's output. Bytes are handed to the output in
// large chunks, when the write position wraps and when a member ends.
//
// Safety: every position is masked or proven inside the buffer before use; a
// match may only reach back over bytes produced earlier in the solid run.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "rar/decoder.h"

namespace rar::codec {

class LzWindow {
 public:
  // Makes the window `size` bytes (a power of two). A solid member may ask
  // for a larger window than the run had so far: the history moves into the
  // new buffer in order. A smaller request keeps the current window.
  void reserve(size_t size) {
    if (buffer_ && size <= size_) return;
    // Not zeroed: a match may only read bytes written in this run.
    auto bigger = std::make_unique_for_overwrite<uint8_t[]>(size);
    size_t history = 0;
    if (buffer_) {
      // Oldest byte first: after a wrap the oldest byte is at pos_.
      if (wrapped_) {
        std::memcpy(bigger.get(), buffer_.get() + pos_, size_ - pos_);
        std::memcpy(bigger.get() + (size_ - pos_), buffer_.get(), pos_);
        history = size_;
      } else {
        std::memcpy(bigger.get(), buffer_.get(), pos_);
        history = pos_;
      }
    }
    buffer_ = std::move(bigger);
    size_ = size;
    mask_ = size - 1;
    pos_ = history;
    flushed_ = history;
    wrapped_ = false;
  }
  // Forgets all history (a non-solid member).
  void reset() {
    pos_ = 0;
    flushed_ = 0;
    wrapped_ = false;
  }
  size_t size() const { return size_; }
  bool allocated() const { return buffer_ != nullptr; }

  // Starts staging a member's output at the current position.
  void beginMember(DecodedOutput& out) {
    out_ = &out;
    flushed_ = pos_;
  }

  Status putByte(uint8_t b) {
    buffer_[pos_++] = b;
    if (pos_ == size_) return wrap();
    return Status::success();
  }

  // The byte `distance` positions back (1 = the last byte written).
  uint8_t byteBack(size_t distance) const { return buffer_[(pos_ - distance) & mask_]; }

  // True when `distance` reaches only bytes already produced.
  bool validDistance(uint64_t distance) const {
    return distance >= 1 && distance <= (wrapped_ ? size_ : pos_);
  }

  // Copies `length` bytes from `distance` back; the caller has checked the
  // distance with validDistance().
  Status copyMatch(size_t distance, size_t length) {
    while (length > 0) {
      size_t chunk = std::min(length, size_ - pos_);
      size_t src = (pos_ - distance) & mask_;
      uint8_t* d = buffer_.get() + pos_;
      if (src + chunk <= size_ && distance >= chunk) {
        std::memmove(d, buffer_.get() + src, chunk);
      } else if (src + chunk <= size_ && distance >= 8) {
        // Overlapping but 8 or more apart: each 8-byte block reads only bytes
        // already written.
        const uint8_t* s = buffer_.get() + src;
        size_t i = 0;
        for (; i + 8 <= chunk; i += 8) std::memcpy(d + i, s + i, 8);
        for (; i < chunk; ++i) d[i] = s[i];
      } else {
        for (size_t i = 0; i < chunk; ++i) d[i] = buffer_[(src + i) & mask_];
      }
      pos_ += chunk;
      length -= chunk;
      if (pos_ == size_) {
        Status s = wrap();
        if (!s.ok()) return s;
      }
    }
    return Status::success();
  }

  // Hands everything staged since the last flush to the output.
  Status flush() {
    if (pos_ > flushed_) {
      Status s = out_->write(buffer_.get() + flushed_, pos_ - flushed_);
      if (!s.ok()) return s;
    }
    flushed_ = pos_;
    return Status::success();
  }

 private:
  Status wrap() {
    Status s = flush();
    wrapped_ = true;
    pos_ = 0;
    flushed_ = 0;
    return s;
  }

  std::unique_ptr<uint8_t[]> buffer_;
  size_t size_ = 0;
  size_t mask_ = 0;
  size_t pos_ = 0;       // next write position
  size_t flushed_ = 0;   // staged output starts here
  bool wrapped_ = false;  // the whole buffer holds history
  DecodedOutput* out_ = nullptr;
};

}  // namespace rar::codec
