// OpenSSL libcrypto backend of the crypto interface.
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <climits>
#include <algorithm>
#include <string>

#include "rar/crypto/crypto.h"

namespace rar::crypto {

namespace {
struct CtxFree {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
}  // namespace

struct Sha256::Impl {
  std::unique_ptr<EVP_MD_CTX, CtxFree> ctx{EVP_MD_CTX_new()};
};

Sha256::Sha256() : impl_(std::make_unique<Impl>()) {
  // Failure here means libcrypto is unusable; the digest then comes out
  // wrong and every comparison against it fails loudly.
  if (!impl_->ctx || EVP_DigestInit_ex(impl_->ctx.get(), EVP_sha256(), nullptr) != 1) impl_->ctx.reset();
}

Sha256::~Sha256() = default;

void Sha256::update(const uint8_t* data, size_t size) {
  if (impl_->ctx && EVP_DigestUpdate(impl_->ctx.get(), data, size) != 1) impl_->ctx.reset();
}

Sha256Digest Sha256::finish() {
  Sha256Digest out{};
  unsigned int n = 0;
  if (impl_->ctx && EVP_DigestFinal_ex(impl_->ctx.get(), out.data(), &n) != 1) out = {};
  return out;
}

Sha256Digest sha256(const uint8_t* data, size_t size) {
  Sha256 h;
  h.update(data, size);
  return h.finish();
}

Sha256Digest hmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size) {
  Sha256Digest out{};
  unsigned int n = 0;
  if (keySize > INT_MAX || !HMAC(EVP_sha256(), key, int(keySize), data, size, out.data(), &n)) out = {};
  return out;
}

Sha256Digest pbkdf2Sha256(std::string_view password, const uint8_t* salt, size_t saltSize, uint32_t iterations) {
  Sha256Digest out{};
  if (password.size() > INT_MAX || saltSize > INT_MAX || iterations > INT_MAX ||
      PKCS5_PBKDF2_HMAC(password.data(), int(password.size()), salt, int(saltSize), int(iterations), EVP_sha256(),
                        int(out.size()), out.data()) != 1)
    out = {};
  return out;
}

void pbkdf2Sha256Steps(std::string_view password, const uint8_t* salt, size_t saltSize, const uint32_t* counts,
                       size_t n, Sha256Digest* out) {
  for (size_t i = 0; i < n; ++i) out[i] = {};
  if (n == 0) return;
  // HMAC with the key block hashed once: each round copies the two keyed
  // states instead of starting over.
  uint8_t key[64] = {};
  if (password.size() > 64) {
    auto d = sha256(reinterpret_cast<const uint8_t*>(password.data()), password.size());
    std::copy(d.begin(), d.end(), key);
  } else {
    std::copy(password.begin(), password.end(), key);
  }
  uint8_t ipad[64], opad[64];
  for (int i = 0; i < 64; ++i) {
    ipad[i] = uint8_t(key[i] ^ 0x36);
    opad[i] = uint8_t(key[i] ^ 0x5C);
  }
  std::unique_ptr<EVP_MD_CTX, CtxFree> inner(EVP_MD_CTX_new()), outer(EVP_MD_CTX_new()), work(EVP_MD_CTX_new());
  if (!inner || !outer || !work || EVP_DigestInit_ex(inner.get(), EVP_sha256(), nullptr) != 1 ||
      EVP_DigestUpdate(inner.get(), ipad, 64) != 1 || EVP_DigestInit_ex(outer.get(), EVP_sha256(), nullptr) != 1 ||
      EVP_DigestUpdate(outer.get(), opad, 64) != 1)
    return;
  auto hmac = [&](const uint8_t* a, size_t aSize, const uint8_t* b, size_t bSize, Sha256Digest& result) {
    unsigned int len = 0;
    Sha256Digest t{};
    return EVP_MD_CTX_copy_ex(work.get(), inner.get()) == 1 && EVP_DigestUpdate(work.get(), a, aSize) == 1 &&
           (bSize == 0 || EVP_DigestUpdate(work.get(), b, bSize) == 1) &&
           EVP_DigestFinal_ex(work.get(), t.data(), &len) == 1 && EVP_MD_CTX_copy_ex(work.get(), outer.get()) == 1 &&
           EVP_DigestUpdate(work.get(), t.data(), t.size()) == 1 && EVP_DigestFinal_ex(work.get(), result.data(), &len) == 1;
  };
  const uint8_t blockIndex[4] = {0, 0, 0, 1};
  Sha256Digest u{}, acc{};
  if (!hmac(salt, saltSize, blockIndex, 4, u)) return;
  acc = u;
  size_t next = 0;
  for (uint32_t round = 1;; ++round) {
    while (next < n && counts[next] == round) out[next++] = acc;
    if (next == n) return;
    if (!hmac(u.data(), u.size(), nullptr, 0, u)) {
      for (size_t i = 0; i < n; ++i) out[i] = {};
      return;
    }
    for (size_t i = 0; i < acc.size(); ++i) acc[i] ^= u[i];
  }
}

namespace {

class OpenSslAes final : public AesCbc {
 public:
  explicit OpenSslAes(EVP_CIPHER_CTX* ctx) : ctx_(ctx) {}
  Status process(uint8_t* data, size_t size) override {
    if (size % 16 != 0) return Status(Error::corruptData, "encrypted data is not a whole number of AES blocks");
    while (size > 0) {
      int chunk = int(std::min<size_t>(size, 1 << 20));
      int outLen = 0;
      if (EVP_CipherUpdate(ctx_.get(), data, &outLen, data, chunk) != 1 || outLen != chunk)
        return Status(Error::unsupported, "AES operation failed in libcrypto");
      data += chunk;
      size -= size_t(chunk);
    }
    return {};
  }

 private:
  std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx_;
};

}  // namespace

Result<std::unique_ptr<AesCbc>> AesCbc::create(Direction direction, const uint8_t* key, size_t keySize,
                                               const uint8_t iv[16]) {
  const EVP_CIPHER* cipher = keySize == 16 ? EVP_aes_128_cbc() : keySize == 32 ? EVP_aes_256_cbc() : nullptr;
  if (!cipher) return Status(Error::unsupported, "AES key size " + std::to_string(keySize));
  std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx || EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key, iv, direction == Direction::encrypt ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1)
    return Status(Error::unsupported, "AES is not available in libcrypto");
  return std::unique_ptr<AesCbc>(std::make_unique<OpenSslAes>(ctx.release()));
}

Status randomBytes(uint8_t* out, size_t size) {
  if (size > INT_MAX || RAND_bytes(out, int(size)) != 1) return Status(Error::unsupported, "no random numbers from libcrypto");
  return {};
}

}  // namespace rar::crypto
