#pragma once
// The ciphers of RAR 1.3/1.4, 1.5 and 2.0 archives. They take the password's
// 8-bit bytes as they are. None has a password check: a wrong password only
// shows as a checksum mismatch.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace rar::crypto {

// RAR 1.3: a byte stream cipher on three 8-bit keys.
class Rar13Cipher {
 public:
  explicit Rar13Cipher(const std::string& password);
  void decrypt(uint8_t* data, size_t size);

 private:
  uint8_t key1_ = 0, key2_ = 0, key3_ = 0;
};

// RAR 1.5: a byte stream cipher on four 16-bit keys driven by the CRC table.
// Encryption and decryption are the same operation.
class Rar15Cipher {
 public:
  explicit Rar15Cipher(const std::string& password);
  void apply(uint8_t* data, size_t size);

 private:
  uint16_t key_[4] = {};
};

// RAR 2.0: a 16-byte block cipher of 32 rounds with a password-dependent
// substitution table; the keys change after every block.
class Rar20Cipher {
 public:
  explicit Rar20Cipher(const std::string& password);
  // `size` must be a multiple of 16.
  void decrypt(uint8_t* data, size_t size);
  void encrypt(uint8_t* data, size_t size);

 private:
  void encryptBlock(uint8_t block[16]);
  void decryptBlock(uint8_t block[16]);
  void updateKeys(const uint8_t block[16]);
  uint32_t substitute(uint32_t t) const;
  std::array<uint32_t, 4> key_{};
  std::array<uint8_t, 256> table_{};
};

}  // namespace rar::crypto
