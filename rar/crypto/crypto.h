#pragma once
// The system's cryptography behind one small interface: BCrypt on Windows,
// OpenSSL libcrypto elsewhere. Only what the RAR formats need.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "rar/status.h"

namespace rar::crypto {

using Sha256Digest = std::array<uint8_t, 32>;

// Incremental SHA-256.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void update(const uint8_t* data, size_t size);
  Sha256Digest finish();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

Sha256Digest sha256(const uint8_t* data, size_t size);
Sha256Digest hmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size);
// PBKDF2-HMAC-SHA256, one output block of 32 bytes.
Sha256Digest pbkdf2Sha256(std::string_view password, const uint8_t* salt, size_t saltSize, uint32_t iterations);
// The same first block taken from one chain at several iteration counts
// (ascending, each >= 1): out[i] equals pbkdf2Sha256(..., counts[i]), at the
// cost of the largest count alone.
void pbkdf2Sha256Steps(std::string_view password, const uint8_t* salt, size_t saltSize, const uint32_t* counts,
                       size_t n, Sha256Digest* out);

// AES in CBC mode without padding, key of 16 or 32 bytes. The chaining value
// carries over between calls, so a stream can be processed in pieces.
class AesCbc {
 public:
  enum class Direction { encrypt, decrypt };
  static Result<std::unique_ptr<AesCbc>> create(Direction direction, const uint8_t* key, size_t keySize,
                                                const uint8_t iv[16]);
  virtual ~AesCbc() = default;
  // `size` must be a multiple of 16; works in place.
  virtual Status process(uint8_t* data, size_t size) = 0;
};

Status randomBytes(uint8_t* out, size_t size);

}  // namespace rar::crypto
