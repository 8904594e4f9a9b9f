#pragma once
// Key derivation of the RAR 3 (AES-128) and RAR 5 (AES-256) encryption, and
// a cache of derived keys: deriving is deliberately slow and every member
// (and every encrypted header) names its salt.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rar::crypto {

struct Rar3Key {
  std::array<uint8_t, 16> key{};
  std::array<uint8_t, 16> iv{};
};

// UTF-16 password (at most 127 units are used) and a salt of 0 or 8 bytes.
Rar3Key deriveRar3Key(const std::u16string& password, const uint8_t* salt, size_t saltSize);

struct Rar5Keys {
  std::array<uint8_t, 32> key{};      // AES-256 key
  std::array<uint8_t, 32> hashKey{};  // HMAC key for checksums of encrypted members
  std::array<uint8_t, 8> check{};     // password check value
};

constexpr unsigned kMaxRar5KdfLog2 = 24;

// UTF-8 password, 16-byte salt, 2^log2Count iterations (log2Count <= 24).
Rar5Keys deriveRar5Keys(const std::string& password, const uint8_t salt[16], unsigned log2Count);

// The 8-byte check value of a RAR 5 encryption record is followed by 4 bytes
// of SHA-256 of it; false when they disagree (the record is damaged, so the
// check value must not be trusted).
bool rar5CheckRecordIntact(const uint8_t check[12]);

// Converts a member's checksum into the form stored for encrypted RAR 5
// members with MAC checksums.
uint32_t rar5MacCrc(const Rar5Keys& keys, uint32_t crc);
std::array<uint8_t, 32> rar5MacHash(const Rar5Keys& keys, const std::array<uint8_t, 32>& digest);

// Derived keys per (password, salt, count); cleared when the password changes.
class KeyCache {
 public:
  const Rar3Key& rar3(const std::u16string& password, const uint8_t* salt, size_t saltSize);
  const Rar5Keys& rar5(const std::string& password, const uint8_t salt[16], unsigned log2Count);
  void clear();

 private:
  std::map<std::string, Rar3Key> rar3_;
  std::map<std::string, Rar5Keys> rar5_;
};

}  // namespace rar::crypto
