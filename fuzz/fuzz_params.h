#pragma once
// Reads the parameters a harness needs from the front of the fuzz input, so
// the fuzzer explores sizes, flags and solid runs along with the data.

#include <cstddef>
#include <cstdint>

namespace rar::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t u16() { return byte() | static_cast<uint32_t>(byte()) << 8; }
  const uint8_t* rest() const { return data_ + pos_; }
  size_t restSize() const { return size_ - pos_; }
  // Splits off the next n bytes (fewer at the end).
  const uint8_t* take(size_t n, size_t* got) {
    *got = n < restSize() ? n : restSize();
    const uint8_t* p = rest();
    pos_ += *got;
    return p;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace rar::fuzz
