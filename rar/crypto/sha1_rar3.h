#pragma once
// SHA-1 as the RAR 3 key derivation computes it. RAR's SHA-1 transforms
// whole 64-byte blocks in place inside the caller's buffer and leaves the
// last sixteen words of the message schedule there; the key derivation
// hashes that same buffer again and again, so passwords long enough to fill
// such a block hash modified data. Emulating that is needed to open
// archives made with long passwords. Plain SHA-1 otherwise.

#include <array>
#include <cstddef>
#include <cstdint>

namespace rar::crypto {

class Rar3Sha1 {
 public:
  Rar3Sha1();
  // `data` may be modified (see above); pass a buffer you own.
  void update(uint8_t* data, size_t size);
  // The digest of everything so far; the context stays usable.
  std::array<uint8_t, 20> digest() const;

 private:
  void transform(const uint8_t block[64], uint32_t scheduleOut[16]);
  std::array<uint32_t, 5> h_;
  std::array<uint8_t, 64> buffer_{};
  uint64_t length_ = 0;
};

}  // namespace rar::crypto
