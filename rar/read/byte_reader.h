#pragma once
// Bounds-checked little-endian reader over one header's bytes. A read past
// the end sets a sticky failure and yields zeros, so a parser checks ok()
// once after a group of fields instead of after every one.

#include <cstddef>
#include <cstdint>
#include <string>

namespace rar {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  size_t position() const { return pos_; }
  size_t remaining() const { return size_ - pos_; }
  const uint8_t* current() const { return data_ + pos_; }

  uint8_t u8() { return uint8_t(take(1)); }
  uint16_t u16() { return uint16_t(take(2)); }
  uint32_t u32() { return uint32_t(take(4)); }
  uint64_t u64() { return take(8); }

  // RAR 5 variable-length integer: 7 bits per byte, lowest group first, at
  // most 10 bytes.
  uint64_t vint() {
    uint64_t v = 0;
    for (int i = 0; i < 10; ++i) {
      if (pos_ >= size_) return fail();
      uint8_t b = data_[pos_++];
      if (i == 9 && (b & 0x7E)) return fail();  // beyond 64 bits
      v |= uint64_t(b & 0x7F) << (7 * i);
      if (!(b & 0x80)) return v;
    }
    return fail();
  }

  // Copies `n` bytes; false (and failure) when fewer remain.
  bool bytes(void* out, size_t n) {
    if (!ok_ || n > remaining()) {
      fail();
      return false;
    }
    for (size_t i = 0; i < n; ++i) static_cast<uint8_t*>(out)[i] = data_[pos_ + i];
    pos_ += n;
    return true;
  }

  std::string string(size_t n) {
    if (!ok_ || n > remaining()) {
      fail();
      return {};
    }
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }

  void skip(uint64_t n) {
    if (!ok_ || n > remaining()) {
      fail();
      return;
    }
    pos_ += size_t(n);
  }

 private:
  uint64_t take(size_t n) {
    if (!ok_ || n > remaining()) return fail();
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= uint64_t(data_[pos_ + i]) << (8 * i);
    pos_ += n;
    return v;
  }
  uint64_t fail() {
    ok_ = false;
    pos_ = size_;
    return 0;
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace rar
