#pragma once
// Helpers shared by the archive library's tests.

#include <string>
#include <vector>

#include "rar/crypto/crypto.h"
#include "rar/io/streams.h"

namespace rar::test {

#ifdef SETUPKIT_TESTDATA_DIR
inline std::string corpusDir() { return std::string(SETUPKIT_TESTDATA_DIR) + "/rar"; }
#endif

inline std::string hex(const uint8_t* data, size_t size) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < size; ++i) {
    s += digits[data[i] >> 4];
    s += digits[data[i] & 15];
  }
  return s;
}

template <typename C>
std::string hex(const C& c) {
  return hex(reinterpret_cast<const uint8_t*>(c.data()), c.size());
}

std::vector<uint8_t> unhex(const std::string& s);

// Hashes what is extracted.
class Sha256Sink final : public OutputSink {
 public:
  Status write(const uint8_t* data, size_t size) override {
    sha_.update(data, size);
    size_ += size;
    return {};
  }
  std::string digest() { return hex(sha_.finish()); }
  uint64_t size() const { return size_; }

 private:
  crypto::Sha256 sha_;
  uint64_t size_ = 0;
};

// Keeps what is extracted.
class MemorySink final : public OutputSink {
 public:
  Status write(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    return {};
  }
  std::vector<uint8_t> bytes;
};

}  // namespace rar::test
