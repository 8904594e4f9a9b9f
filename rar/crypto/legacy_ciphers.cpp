#include "rar/crypto/legacy_ciphers.h"

#include <algorithm>
#include <utility>

#include "rar/checksum/crc32.h"

namespace rar::crypto {

Rar13Cipher::Rar13Cipher(const std::string& password) {
  for (unsigned char c : password) {
    key1_ = uint8_t(key1_ + c);
    key2_ = uint8_t(key2_ ^ c);
    key3_ = uint8_t(key3_ + c);
    key3_ = uint8_t((key3_ << 1) | (key3_ >> 7));
  }
}

void Rar13Cipher::decrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    key2_ = uint8_t(key2_ + key3_);
    key1_ = uint8_t(key1_ + key2_);
    data[i] = uint8_t(data[i] - key1_);
  }
}

namespace {
uint16_t ror16(uint16_t x) { return uint16_t((x >> 1) | (x << 15)); }
}  // namespace

Rar15Cipher::Rar15Cipher(const std::string& password) {
  const auto& t = crc32Table();
  uint32_t crc = crc32Raw(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(password.data()), password.size());
  key_[0] = uint16_t(crc);
  key_[1] = uint16_t(crc >> 16);
  for (unsigned char c : password) {
    key_[2] = uint16_t(key_[2] ^ c ^ t[c]);
    key_[3] = uint16_t(key_[3] + c + (t[c] >> 16));
  }
}

void Rar15Cipher::apply(uint8_t* data, size_t size) {
  const auto& t = crc32Table();
  for (size_t i = 0; i < size; ++i) {
    key_[0] = uint16_t(key_[0] + 0x1234);
    uint32_t e = t[(key_[0] >> 1) & 0xFF];
    key_[1] = uint16_t(key_[1] ^ e);
    key_[2] = uint16_t(key_[2] - (e >> 16));
    key_[0] = uint16_t(key_[0] ^ key_[2]);
    key_[3] = uint16_t(ror16(key_[3]) ^ key_[1]);
    key_[3] = ror16(key_[3]);
    key_[0] = uint16_t(key_[0] ^ key_[3]);
    data[i] = uint8_t(data[i] ^ (key_[0] >> 8));
  }
}

namespace {

// The RAR 2.0 cipher's initial substitution table (format data).
constexpr uint8_t kRar20Table[256] = {
    215, 19,  149, 35,  73,  197, 192, 205, 249, 28,  16,  119, 48,  221, 2,   42,  232, 1,   177, 233, 14,  88,
    219, 25,  223, 195, 244, 90,  87,  239, 153, 137, 255, 199, 147, 70,  92,  66,  246, 13,  216, 40,  62,  29,
    217, 230, 86,  6,   71,  24,  171, 196, 101, 113, 218, 123, 93,  91,  163, 178, 202, 67,  44,  235, 107, 250,
    75,  234, 49,  167, 125, 211, 83,  114, 157, 144, 32,  193, 143, 36,  158, 124, 247, 187, 89,  214, 141, 47,
    121, 228, 61,  130, 213, 194, 174, 251, 97,  110, 54,  229, 115, 57,  152, 94,  105, 243, 212, 55,  209, 245,
    63,  11,  164, 200, 31,  156, 81,  176, 227, 21,  76,  99,  139, 188, 127, 17,  248, 51,  207, 120, 189, 210,
    8,   226, 41,  72,  183, 203, 135, 165, 166, 60,  98,  7,   122, 38,  155, 170, 69,  172, 252, 238, 39,  134,
    59,  128, 236, 27,  240, 80,  131, 3,   85,  206, 145, 79,  154, 142, 159, 220, 201, 133, 74,  64,  20,  129,
    224, 185, 138, 103, 173, 182, 43,  34,  254, 82,  198, 151, 231, 180, 58,  10,  118, 26,  102, 12,  50,  132,
    22,  191, 136, 111, 162, 179, 45,  4,   148, 108, 161, 56,  78,  126, 242, 222, 15,  175, 146, 23,  33,  241,
    181, 190, 77,  225, 0,   46,  169, 186, 68,  95,  237, 65,  53,  208, 253, 168, 9,   18,  100, 52,  116, 184,
    160, 96,  109, 37,  30,  106, 140, 104, 150, 5,   204, 117, 112, 84};

uint32_t rol32(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
uint32_t load(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void store(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace

uint32_t Rar20Cipher::substitute(uint32_t t) const {
  return uint32_t(table_[t & 0xFF]) | uint32_t(table_[(t >> 8) & 0xFF]) << 8 | uint32_t(table_[(t >> 16) & 0xFF]) << 16 |
         uint32_t(table_[t >> 24]) << 24;
}

void Rar20Cipher::updateKeys(const uint8_t block[16]) {
  const auto& t = crc32Table();
  for (int i = 0; i < 16; i += 4)
    for (int k = 0; k < 4; ++k) key_[k] ^= t[block[i + k]];
}

void Rar20Cipher::encryptBlock(uint8_t block[16]) {
  uint32_t a = load(block) ^ key_[0], b = load(block + 4) ^ key_[1];
  uint32_t c = load(block + 8) ^ key_[2], d = load(block + 12) ^ key_[3];
  for (int i = 0; i < 32; ++i) {
    uint32_t ta = a ^ substitute((c + rol32(d, 11)) ^ key_[i & 3]);
    uint32_t tb = b ^ substitute((d ^ rol32(c, 17)) + key_[i & 3]);
    a = c;
    b = d;
    c = ta;
    d = tb;
  }
  store(block, c ^ key_[0]);
  store(block + 4, d ^ key_[1]);
  store(block + 8, a ^ key_[2]);
  store(block + 12, b ^ key_[3]);
  updateKeys(block);
}

void Rar20Cipher::decryptBlock(uint8_t block[16]) {
  uint8_t in[16];
  std::copy(block, block + 16, in);
  uint32_t a = load(block) ^ key_[0], b = load(block + 4) ^ key_[1];
  uint32_t c = load(block + 8) ^ key_[2], d = load(block + 12) ^ key_[3];
  for (int i = 31; i >= 0; --i) {
    uint32_t ta = a ^ substitute((c + rol32(d, 11)) ^ key_[i & 3]);
    uint32_t tb = b ^ substitute((d ^ rol32(c, 17)) + key_[i & 3]);
    a = c;
    b = d;
    c = ta;
    d = tb;
  }
  store(block, c ^ key_[0]);
  store(block + 4, d ^ key_[1]);
  store(block + 8, a ^ key_[2]);
  store(block + 12, b ^ key_[3]);
  updateKeys(in);
}

Rar20Cipher::Rar20Cipher(const std::string& password) {
  key_ = {0xD3A3B879u, 0x3F6D12F7u, 0x7515A235u, 0xA4E7F123u};
  std::copy(std::begin(kRar20Table), std::end(kRar20Table), table_.begin());
  uint8_t buf[128] = {};
  size_t len = std::min<size_t>(password.size(), 127);
  std::copy(password.begin(), password.begin() + std::ptrdiff_t(len), buf);
  const auto& t = crc32Table();
  for (unsigned j = 0; j < 256; ++j) {
    for (size_t i = 0; i < len; i += 2) {
      unsigned n1 = t[(buf[i] - j) & 0xFF] & 0xFF;
      unsigned n2 = t[(buf[i + 1] + j) & 0xFF] & 0xFF;
      for (unsigned k = 1; n1 != n2; n1 = (n1 + 1) & 0xFF, ++k) std::swap(table_[n1], table_[(n1 + i + k) & 0xFF]);
    }
  }
  for (size_t j = 0; j < len; j += 16) encryptBlock(buf + j);
}

void Rar20Cipher::decrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i + 16 <= size; i += 16) decryptBlock(data + i);
}

void Rar20Cipher::encrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i + 16 <= size; i += 16) encryptBlock(data + i);
}

}  // namespace rar::crypto
