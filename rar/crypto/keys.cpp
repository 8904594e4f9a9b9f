#include "rar/crypto/keys.h"

#include <algorithm>

#include "rar/crypto/crypto.h"
#include "rar/crypto/sha1_rar3.h"

namespace rar::crypto {

Rar3Key deriveRar3Key(const std::u16string& password, const uint8_t* salt, size_t saltSize) {
  // The buffer hashed in every round: UTF-16LE password then the salt. It is
  // one mutable buffer on purpose (see Rar3Sha1).
  std::vector<uint8_t> seed;
  size_t units = std::min<size_t>(password.size(), 127);
  for (size_t i = 0; i < units; ++i) {
    seed.push_back(uint8_t(password[i] & 0xFF));
    seed.push_back(uint8_t(password[i] >> 8));
  }
  seed.insert(seed.end(), salt, salt + saltSize);

  Rar3Key out;
  Rar3Sha1 sha;
  constexpr uint32_t kRounds = 0x40000;
  for (uint32_t i = 0; i < kRounds; ++i) {
    sha.update(seed.data(), seed.size());
    uint8_t counter[3] = {uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16)};
    sha.update(counter, 3);
    if (i % (kRounds / 16) == 0) out.iv[i / (kRounds / 16)] = sha.digest()[19];
  }
  auto d = sha.digest();
  for (int i = 0; i < 4; ++i)
    for (int b = 0; b < 4; ++b) out.key[4 * i + b] = d[4 * i + 3 - b];
  return out;
}

Rar5Keys deriveRar5Keys(const std::string& password, const uint8_t salt[16], unsigned log2Count) {
  // PBKDF2-HMAC-SHA256 with a 32-byte output is the XOR of the chain U1..Un;
  // the key, the hash key and the check value are that sum after n, n+16 and
  // n+32 rounds of one chain.
  Rar5Keys k;
  uint32_t n = uint32_t(1) << std::min(log2Count, kMaxRar5KdfLog2);
  const uint32_t counts[3] = {n, n + 16, n + 32};
  Sha256Digest v[3];
  pbkdf2Sha256Steps(password, salt, 16, counts, 3, v);
  k.key = v[0];
  k.hashKey = v[1];
  for (int i = 0; i < 32; ++i) k.check[i % 8] ^= v[2][i];
  return k;
}

bool rar5CheckRecordIntact(const uint8_t check[12]) {
  auto d = sha256(check, 8);
  return d[0] == check[8] && d[1] == check[9] && d[2] == check[10] && d[3] == check[11];
}

uint32_t rar5MacCrc(const Rar5Keys& keys, uint32_t crc) {
  uint8_t raw[4] = {uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)};
  auto mac = hmacSha256(keys.hashKey.data(), keys.hashKey.size(), raw, 4);
  uint32_t out = 0;
  for (int i = 0; i < 32; ++i) out ^= uint32_t(mac[i]) << (8 * (i & 3));
  return out;
}

std::array<uint8_t, 32> rar5MacHash(const Rar5Keys& keys, const std::array<uint8_t, 32>& digest) {
  return hmacSha256(keys.hashKey.data(), keys.hashKey.size(), digest.data(), digest.size());
}

const Rar3Key& KeyCache::rar3(const std::u16string& password, const uint8_t* salt, size_t saltSize) {
  // Identity of a derivation: salt, its size, then the password.
  std::string id(reinterpret_cast<const char*>(salt), saltSize);
  id.push_back(char(saltSize));
  for (char16_t c : password) {
    id.push_back(char(c & 0xFF));
    id.push_back(char(c >> 8));
  }
  auto it = rar3_.find(id);
  if (it == rar3_.end()) it = rar3_.emplace(id, deriveRar3Key(password, salt, saltSize)).first;
  return it->second;
}

const Rar5Keys& KeyCache::rar5(const std::string& password, const uint8_t salt[16], unsigned log2Count) {
  std::string id(reinterpret_cast<const char*>(salt), 16);
  id.push_back(char(log2Count));
  id += password;
  auto it = rar5_.find(id);
  if (it == rar5_.end()) it = rar5_.emplace(id, deriveRar5Keys(password, salt, log2Count)).first;
  return it->second;
}

void KeyCache::clear() {
  rar3_.clear();
  rar5_.clear();
}

}  // namespace rar::crypto
