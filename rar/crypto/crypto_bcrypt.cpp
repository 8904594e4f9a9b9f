// Windows BCrypt backend of the crypto interface.
#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rar/crypto/crypto.h"

namespace rar::crypto {

namespace {

bool succeeded(NTSTATUS s) { return s >= 0; }

// Owned algorithm provider and key handles.
struct AlgHandle {
  BCRYPT_ALG_HANDLE h = nullptr;
  AlgHandle() = default;
  AlgHandle(const AlgHandle&) = delete;
  AlgHandle& operator=(const AlgHandle&) = delete;
  ~AlgHandle() {
    if (h) (void)BCryptCloseAlgorithmProvider(h, 0);
  }
};

struct KeyHandle {
  BCRYPT_KEY_HANDLE h = nullptr;
  KeyHandle() = default;
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  ~KeyHandle() {
    if (h) (void)BCryptDestroyKey(h);
  }
};

struct HashHandle {
  BCRYPT_HASH_HANDLE h = nullptr;
  HashHandle() = default;
  HashHandle(const HashHandle&) = delete;
  HashHandle& operator=(const HashHandle&) = delete;
  ~HashHandle() {
    if (h) (void)BCryptDestroyHash(h);
  }
};

PUCHAR bytes(const uint8_t* p) { return const_cast<PUCHAR>(p); }

}  // namespace

struct Sha256::Impl {
  AlgHandle alg;
  HashHandle hash;
  bool ok = false;
};

Sha256::Sha256() : impl_(std::make_unique<Impl>()) {
  impl_->ok = succeeded(BCryptOpenAlgorithmProvider(&impl_->alg.h, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
              succeeded(BCryptCreateHash(impl_->alg.h, &impl_->hash.h, nullptr, 0, nullptr, 0, 0));
}

Sha256::~Sha256() = default;

void Sha256::update(const uint8_t* data, size_t size) {
  while (impl_->ok && size > 0) {
    ULONG chunk = ULONG(std::min<size_t>(size, 1 << 20));
    impl_->ok = succeeded(BCryptHashData(impl_->hash.h, bytes(data), chunk, 0));
    data += chunk;
    size -= chunk;
  }
}

Sha256Digest Sha256::finish() {
  Sha256Digest out{};
  if (!impl_->ok || !succeeded(BCryptFinishHash(impl_->hash.h, out.data(), ULONG(out.size()), 0))) out = {};
  impl_->ok = false;
  return out;
}

Sha256Digest sha256(const uint8_t* data, size_t size) {
  Sha256 h;
  h.update(data, size);
  return h.finish();
}

Sha256Digest hmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size) {
  Sha256Digest out{};
  AlgHandle alg;
  HashHandle hash;
  if (!succeeded(BCryptOpenAlgorithmProvider(&alg.h, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG)) ||
      !succeeded(BCryptCreateHash(alg.h, &hash.h, nullptr, 0, bytes(key), ULONG(keySize), 0)) ||
      !succeeded(BCryptHashData(hash.h, bytes(data), ULONG(size), 0)) ||
      !succeeded(BCryptFinishHash(hash.h, out.data(), ULONG(out.size()), 0)))
    out = {};
  return out;
}

Sha256Digest pbkdf2Sha256(std::string_view password, const uint8_t* salt, size_t saltSize, uint32_t iterations) {
  Sha256Digest out{};
  AlgHandle alg;
  std::vector<uint8_t> pw(password.begin(), password.end());
  if (!succeeded(BCryptOpenAlgorithmProvider(&alg.h, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG)) ||
      !succeeded(BCryptDeriveKeyPBKDF2(alg.h, pw.empty() ? nullptr : pw.data(), ULONG(pw.size()), bytes(salt),
                                       ULONG(saltSize), iterations, out.data(), ULONG(out.size()), 0)))
    out = {};
  return out;
}

void pbkdf2Sha256Steps(std::string_view password, const uint8_t* salt, size_t saltSize, const uint32_t* counts,
                       size_t n, Sha256Digest* out) {
  for (size_t i = 0; i < n; ++i) out[i] = {};
  if (n == 0) return;
  // One keyed HMAC state, duplicated for every round.
  AlgHandle alg;
  HashHandle keyed;
  std::vector<uint8_t> pw(password.begin(), password.end());
  if (!succeeded(BCryptOpenAlgorithmProvider(&alg.h, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG)) ||
      !succeeded(BCryptCreateHash(alg.h, &keyed.h, nullptr, 0, pw.empty() ? nullptr : pw.data(), ULONG(pw.size()), 0)))
    return;
  auto hmac = [&](const uint8_t* a, size_t aSize, const uint8_t* b, size_t bSize, Sha256Digest& result) {
    HashHandle h;
    return succeeded(BCryptDuplicateHash(keyed.h, &h.h, nullptr, 0, 0)) &&
           succeeded(BCryptHashData(h.h, bytes(a), ULONG(aSize), 0)) &&
           (bSize == 0 || succeeded(BCryptHashData(h.h, bytes(b), ULONG(bSize), 0))) &&
           succeeded(BCryptFinishHash(h.h, result.data(), ULONG(result.size()), 0));
  };
  const uint8_t blockIndex[4] = {0, 0, 0, 1};
  Sha256Digest u{}, acc{};
  if (!hmac(salt, saltSize, blockIndex, 4, u)) return;
  acc = u;
  size_t next = 0;
  for (uint32_t round = 1;; ++round) {
    while (next < n && counts[next] == round) out[next++] = acc;
    if (next == n) return;
    Sha256Digest prev = u;
    if (!hmac(prev.data(), prev.size(), nullptr, 0, u)) {
      for (size_t i = 0; i < n; ++i) out[i] = {};
      return;
    }
    for (size_t i = 0; i < acc.size(); ++i) acc[i] ^= u[i];
  }
}

namespace {

class BCryptAes final : public AesCbc {
 public:
  BCryptAes(Direction direction, const uint8_t iv[16]) : direction_(direction) {
    for (int i = 0; i < 16; ++i) iv_[i] = iv[i];
  }
  Status init(const uint8_t* key, size_t keySize) {
    if (!succeeded(BCryptOpenAlgorithmProvider(&alg_.h, BCRYPT_AES_ALGORITHM, nullptr, 0)) ||
        !succeeded(BCryptSetProperty(alg_.h, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_CBC)),
                                     sizeof(BCRYPT_CHAIN_MODE_CBC), 0)) ||
        !succeeded(BCryptGenerateSymmetricKey(alg_.h, &key_.h, nullptr, 0, bytes(key), ULONG(keySize), 0)))
      return Status(Error::unsupported, "AES is not available from BCrypt");
    return {};
  }
  Status process(uint8_t* data, size_t size) override {
    if (size % 16 != 0) return Status(Error::corruptData, "encrypted data is not a whole number of AES blocks");
    while (size > 0) {
      ULONG chunk = ULONG(std::min<size_t>(size, 1 << 20));
      ULONG done = 0;
      // BCrypt updates the IV buffer, which chains the next call.
      NTSTATUS s = direction_ == Direction::encrypt
                       ? BCryptEncrypt(key_.h, data, chunk, nullptr, iv_, 16, data, chunk, &done, 0)
                       : BCryptDecrypt(key_.h, data, chunk, nullptr, iv_, 16, data, chunk, &done, 0);
      if (!succeeded(s) || done != chunk) return Status(Error::unsupported, "AES operation failed in BCrypt");
      data += chunk;
      size -= chunk;
    }
    return {};
  }

 private:
  Direction direction_;
  UCHAR iv_[16];
  AlgHandle alg_;
  KeyHandle key_;
};

}  // namespace

Result<std::unique_ptr<AesCbc>> AesCbc::create(Direction direction, const uint8_t* key, size_t keySize,
                                               const uint8_t iv[16]) {
  if (keySize != 16 && keySize != 32) return Status(Error::unsupported, "AES key size " + std::to_string(keySize));
  auto aes = std::make_unique<BCryptAes>(direction, iv);
  if (Status s = aes->init(key, keySize); !s) return s;
  return std::unique_ptr<AesCbc>(std::move(aes));
}

Status randomBytes(uint8_t* out, size_t size) {
  if (!succeeded(BCryptGenRandom(nullptr, out, ULONG(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    return Status(Error::unsupported, "no random numbers from BCrypt");
  return {};
}

}  // namespace rar::crypto
