#pragma once
// Helpers for codec tests: an in-memory packed input (optionally handing out
// small pieces, to exercise buffer refills), a collecting output and an
// MSB-first bit writer to hand-craft compressed streams.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "rar/decoder.h"

namespace rar::codec::test {

class MemoryInput : public PackedInput {
 public:
  explicit MemoryInput(std::vector<uint8_t> data, size_t piece = SIZE_MAX)
      : data_(std::move(data)), piece_(piece) {}
  Result<size_t> read(uint8_t* buffer, size_t size) override {
    size_t n = std::min({size, piece_, data_.size() - pos_});
    std::copy_n(data_.data() + pos_, n, buffer);
    pos_ += n;
    return n;
  }

 private:
  std::vector<uint8_t> data_;
  size_t piece_;
  size_t pos_ = 0;
};

// Fails with the given status after `good` bytes.
class FailingInput : public PackedInput {
 public:
  FailingInput(std::vector<uint8_t> data, Status failure) : data_(std::move(data)), failure_(std::move(failure)) {}
  Result<size_t> read(uint8_t* buffer, size_t size) override {
    if (pos_ == data_.size()) return failure_;
    size_t n = std::min(size, data_.size() - pos_);
    std::copy_n(data_.data() + pos_, n, buffer);
    pos_ += n;
    return n;
  }

 private:
  std::vector<uint8_t> data_;
  Status failure_;
  size_t pos_ = 0;
};

class CollectOutput : public DecodedOutput {
 public:
  Status write(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    ++writes;
    return Status::success();
  }
  std::vector<uint8_t> bytes;
  size_t writes = 0;
};

class BitWriter {
 public:
  void put(uint64_t value, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) putBit((value >> i) & 1);
  }
  void putBit(unsigned bit) {
    if (used_ == 0) bytes_.push_back(0);
    if (bit) bytes_.back() |= static_cast<uint8_t>(0x80 >> used_);
    used_ = (used_ + 1) & 7;
  }
  void align() { used_ = 0; }
  void putByte(uint8_t b) {
    align();
    bytes_.push_back(b);
  }
  size_t bitCount() const { return bytes_.size() * 8 - (used_ == 0 ? 0 : 8 - used_); }
  unsigned bitsInLastByte() const { return used_ == 0 ? 8 : used_; }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  unsigned used_ = 0;
};

}  // namespace rar::codec::test
