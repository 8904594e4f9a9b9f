// Checksums and ciphers against published vectors, and the encrypted stored
// members of the corpus.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rar/checksum/blake2sp.h"
#include "rar/checksum/crc32.h"
#include "rar/crypto/crypto.h"
#include "rar/crypto/keys.h"
#include "rar/crypto/legacy_ciphers.h"
#include "rar/crypto/sha1_rar3.h"
#include "tests/rar/test_support.h"

namespace rar {
namespace {

const uint8_t* bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(RarChecksums, Crc32Vectors) {
  EXPECT_EQ(crc32(bytes("123456789"), 9), 0xCBF43926u);
  EXPECT_EQ(crc32(nullptr, 0), 0u);
  // Continuing a CRC over pieces gives the CRC of the whole.
  EXPECT_EQ(crc32(bytes("56789"), 5, crc32(bytes("1234"), 4)), 0xCBF43926u);
}

std::string blake2spHex(const std::string& input, size_t piece) {
  Blake2sp h;
  for (size_t i = 0; i < input.size(); i += piece)
    h.update(bytes(input) + i, std::min(piece, input.size() - i));
  auto d = h.finish();
  return test::hex(d);
}

TEST(RarChecksums, Blake2spVectors) {
  EXPECT_EQ(blake2spHex("", 1), "dd0e891776933f43c7d032b08a917e25741f8aa9a12c12e1cac8801500f2ca4f");
  // The BLAKE2 reference known answers use the input 00 01 02 ...; the
  // digest must not depend on how the input is split.
  std::string in;
  for (int i = 0; i < 1000; ++i) in.push_back(char(i & 0xFF));
  std::string whole = blake2spHex(in, in.size());
  const size_t pieces[] = {1, 7, 63, 64, 65, 511, 512, 513};
  for (size_t i = 0; i < std::size(pieces); ++i) EXPECT_EQ(blake2spHex(in, pieces[i]), whole) << "piece size " << pieces[i];
  // Values from an independent BLAKE2s (tree parameters set by hand).
  EXPECT_EQ(blake2spHex(in.substr(0, 64), 64), "52603b6cbfad4966cb044cb267568385cf35f21e6c45cf30aed19832cb51e9f5");
  EXPECT_EQ(whole, "7e2830f74fc7c4d224a201b46f95e37ebbfb56dddc492f8227e4d905201734b8");
}

TEST(RarCrypto, Sha256AndHmac) {
  EXPECT_EQ(test::hex(crypto::sha256(bytes("abc"), 3)), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // RFC 4231 test case 2.
  EXPECT_EQ(test::hex(crypto::hmacSha256(bytes("Jefe"), 4, bytes("what do ya want for nothing?"), 28)),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
}

TEST(RarCrypto, AesCbcNistVector) {
  // NIST SP 800-38A F.2.5 (CBC-AES256.Encrypt), first block.
  auto key = test::unhex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
  auto iv = test::unhex("000102030405060708090a0b0c0d0e0f");
  auto block = test::unhex("6bc1bee22e409f96e93d7e117393172a");
  auto enc = crypto::AesCbc::create(crypto::AesCbc::Direction::encrypt, key.data(), 32, iv.data());
  ASSERT_TRUE(enc.ok());
  ASSERT_TRUE((*enc)->process(block.data(), 16).ok());
  EXPECT_EQ(test::hex(block), "f58c4c04d6e5f1ba779eabfb5f7bfbd6");
  auto dec = crypto::AesCbc::create(crypto::AesCbc::Direction::decrypt, key.data(), 32, iv.data());
  ASSERT_TRUE(dec.ok());
  ASSERT_TRUE((*dec)->process(block.data(), 16).ok());
  EXPECT_EQ(test::hex(block), "6bc1bee22e409f96e93d7e117393172a");
  EXPECT_EQ((*dec)->process(block.data(), 15).error(), Error::corruptData);
}

TEST(RarCrypto, Rar3KeyDerivation) {
  uint8_t salt[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  auto k = crypto::deriveRar3Key(u"password", salt, 8);
  EXPECT_EQ(test::hex(k.key), "20f3fb49c2976b56cf873c55fbf242ed");
  EXPECT_EQ(test::hex(k.iv), "04c8774671e283d90519dca70a85fb65");
}

TEST(RarCrypto, Rar3Sha1IsPlainSha1ForShortInput) {
  crypto::Rar3Sha1 h;
  std::string abc = "abc";
  h.update(reinterpret_cast<uint8_t*>(abc.data()), 3);
  EXPECT_EQ(test::hex(h.digest()), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(RarCrypto, Rar3Sha1RewritesWholeBlocksOfTheCallersBuffer) {
  // Blocks taken straight from the caller's buffer are overwritten with the
  // message schedule, as RAR's own SHA-1 does; the digest stays standard.
  std::string data(200, 'a');
  std::string copy = data;
  crypto::Rar3Sha1 h;
  h.update(reinterpret_cast<uint8_t*>(data.data()), data.size());
  crypto::Rar3Sha1 bytewise;  // one byte at a time: nothing is rewritten
  for (char& c : copy) bytewise.update(reinterpret_cast<uint8_t*>(&c), 1);
  EXPECT_EQ(test::hex(h.digest()), test::hex(bytewise.digest()));
  copy = std::string(200, 'a');
  EXPECT_EQ(data.substr(0, 64), copy.substr(0, 64)) << "the first block goes through the internal buffer";
  EXPECT_NE(data.substr(64, 128), copy.substr(64, 128)) << "whole blocks from the buffer are rewritten";
  EXPECT_EQ(data.substr(192), copy.substr(192)) << "the partial tail is copied, not rewritten";
}

TEST(RarCrypto, Rar5KeyDerivation) {
  uint8_t salt[16];
  for (int i = 0; i < 16; ++i) salt[i] = uint8_t(i);
  auto k = crypto::deriveRar5Keys("password", salt, 15);
  EXPECT_EQ(test::hex(k.key), "345bf51b5fe7f1716cfac8af9de4f57d7ceba914be4ebc8a6afbfe88678a10e8");
  EXPECT_EQ(test::hex(k.check), "04442c9e2f50b54b");
  uint8_t record[12];
  std::memcpy(record, k.check.data(), 8);
  auto d = crypto::sha256(k.check.data(), 8);
  std::memcpy(record + 8, d.data(), 4);
  EXPECT_EQ(test::hex(record + 8, 4), "68c7ecc1");
  EXPECT_TRUE(crypto::rar5CheckRecordIntact(record));
  record[9] ^= 1;
  EXPECT_FALSE(crypto::rar5CheckRecordIntact(record)) << "a damaged record must not be trusted";
}

TEST(RarCrypto, KeyCacheReturnsTheSameDerivation) {
  crypto::KeyCache cache;
  uint8_t salt[16] = {1};
  const auto& a = cache.rar5("pw", salt, 10);
  const auto& b = cache.rar5("pw", salt, 10);
  EXPECT_EQ(&a, &b) << "a second lookup must not derive again";
  const auto& c = cache.rar5("pw2", salt, 10);
  EXPECT_NE(test::hex(a.key), test::hex(c.key));
}

TEST(RarCrypto, Rar15CipherVector) {
  std::string text = "hello world";
  crypto::Rar15Cipher c("password");
  std::vector<uint8_t> buf(text.begin(), text.end());
  c.apply(buf.data(), buf.size());
  EXPECT_EQ(test::hex(buf), "2bb9f39c41a6aae71a7a7b");
  crypto::Rar15Cipher d("password");
  d.apply(buf.data(), buf.size());
  EXPECT_EQ(std::string(buf.begin(), buf.end()), text);
}

TEST(RarCrypto, Rar20CipherRoundTripAndKeyDependence) {
  std::vector<uint8_t> plain(64);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 7);
  auto enc = plain;
  crypto::Rar20Cipher e("password");
  e.encrypt(enc.data(), enc.size());
  EXPECT_NE(enc, plain);
  auto dec = enc;
  crypto::Rar20Cipher d("password");
  d.decrypt(dec.data(), dec.size());
  EXPECT_EQ(dec, plain);
  auto wrong = enc;
  crypto::Rar20Cipher w("passwore");
  w.decrypt(wrong.data(), wrong.size());
  EXPECT_NE(wrong, plain);
}

TEST(RarCrypto, Rar13CipherIsKeyedByEveryByte) {
  std::vector<uint8_t> a(16, 0x55), b(16, 0x55);
  crypto::Rar13Cipher x("password"), y("passwore");
  x.decrypt(a.data(), a.size());
  y.decrypt(b.data(), b.size());
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace rar
