#include "rar/codec/bit_reader.h"

#include <bit>
#include <cstring>

namespace rar::codec {

bool BitReader::fillBuffer() {
  if (inputEnded_) return false;
  Result<size_t> got = in_.read(buffer_, kBufferSize);
  if (!got.ok()) {
    inputStatus_ = got.status();
    inputEnded_ = true;
    return false;
  }
  if (*got == 0 || *got > kBufferSize) {
    inputEnded_ = true;
    return false;
  }
  next_ = buffer_;
  end_ = buffer_ + *got;
  return true;
}

void BitReader::refill() {
  // Fast path: a whole 64-bit word is available in the buffer.
  if (end_ - next_ >= 8 && padBits_ == 0) {
    uint64_t word;
    std::memcpy(&word, next_, 8);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    unsigned take = (64 - count_) / 8;  // whole bytes that fit
    if (take == 0) return;
    word >>= 64 - 8 * take;
    bits_ |= take == 8 ? word : word << (64 - count_ - 8 * take);
    next_ += take;
    count_ += 8 * take;
    loadedBits_ += 8 * take;
    return;
  }
  while (count_ <= 56) {
    if (next_ == end_ && !fillBuffer()) {
      // Past the end: zero bits, remembered as padding. Padding only grows
      // when real bits are gone, so count_ < padBits_ means overrun.
      padBits_ += 8;
      count_ += 8;
      loadedBits_ += 8;
      continue;
    }
    bits_ |= uint64_t(*next_++) << (56 - count_);
    count_ += 8;
    loadedBits_ += 8;
  }
}

int BitReader::readByte() {
  if (count_ < 8 + padBits_) refill();
  if (count_ < 8 + padBits_) return -1;
  return static_cast<int>(read(8));
}

}  // namespace rar::codec
