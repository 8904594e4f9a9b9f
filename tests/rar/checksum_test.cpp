// Checksums: CRC-32's folding (carry-less multiply) path against the
// portable table, BLAKE2sp's SSE2 and SSSE3 paths against the portable one,
// over every short length and alignment and against known values; and the
// run-time dispatch. ctest runs this suite a second time with the fast
// paths switched off (SETUPKIT_PORTABLE_CHECKSUMS), so the same checks pass
// through the dispatch both ways.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "rar/checksum/blake2sp.h"
#include "rar/checksum/cpu_features.h"
#include "rar/checksum/crc32.h"

namespace rar {
namespace {

TEST(RarCrc32, CheckValueOnBothPaths) {
  const uint8_t* nine = reinterpret_cast<const uint8_t*>("123456789");
  EXPECT_EQ(~crc32RawPortable(0xFFFFFFFFu, nine, 9), 0xCBF43926u);
  EXPECT_EQ(~crc32RawFolding(0xFFFFFFFFu, nine, 9), 0xCBF43926u);
  EXPECT_EQ(crc32(nine, 9), 0xCBF43926u);
  EXPECT_EQ(crc32(nine, 0), 0u);
}

TEST(RarCrc32, FoldingMatchesTheTableAtEveryLengthAndAlignment) {
  if (!crc32HasFolding()) GTEST_SKIP() << "no PCLMULQDQ here: the folding path is the table";
  std::mt19937 random(15);
  std::vector<uint8_t> data(70000);
  for (auto& b : data) b = uint8_t(random());
  for (size_t offset = 0; offset < 16; ++offset) {
    for (size_t n = 0; n <= 4200; n += n < 600 ? 1 : 13) {
      uint32_t seed = uint32_t(random());
      ASSERT_EQ(crc32RawFolding(seed, data.data() + offset, n), crc32RawPortable(seed, data.data() + offset, n))
          << "offset " << offset << ", length " << n;
    }
  }
  // Long input, continued in uneven pieces through the dispatching entry.
  uint32_t whole = crc32RawPortable(0xFFFFFFFFu, data.data(), data.size());
  uint32_t pieces = 0xFFFFFFFFu;
  for (size_t at = 0, step = 1; at < data.size(); at += step, step = step * 3 + 1)
    pieces = crc32Raw(pieces, data.data() + at, std::min(step, data.size() - at));
  EXPECT_EQ(pieces, whole);
  EXPECT_EQ(crc32RawFolding(0xFFFFFFFFu, data.data(), data.size()), whole);
}

bool portableForced() { return std::getenv("SETUPKIT_PORTABLE_CHECKSUMS") != nullptr; }

TEST(RarChecksumDispatch, FollowsTheProcessorUnlessSwitchedOff) {
  if (portableForced()) {
    EXPECT_FALSE(crc32HasFolding());
    EXPECT_EQ(blake2spBestPath(), Blake2Path::portable);
    EXPECT_EQ(Blake2sp().path(), Blake2Path::portable);
    EXPECT_FALSE(blake2spSupports(Blake2Path::sse2));
  } else {
    EXPECT_EQ(crc32HasFolding(), checksumFeatures().pclmul);
    Blake2Path best = checksumFeatures().ssse3 ? Blake2Path::ssse3 : checksumFeatures().sse2 ? Blake2Path::sse2 : Blake2Path::portable;
#if !defined(__x86_64__) && !defined(__i386__)
    best = Blake2Path::portable;
#endif
    EXPECT_EQ(blake2spBestPath(), best);
    EXPECT_EQ(Blake2sp().path(), best);
  }
  EXPECT_TRUE(blake2spSupports(Blake2Path::portable));
  // A path the processor lacks falls back instead of faulting.
  EXPECT_TRUE(blake2spSupports(Blake2sp(Blake2Path::ssse3).path()));
}

TEST(RarCrc32, DispatchMatchesTheTable) {
  std::mt19937 random(3);
  std::vector<uint8_t> data(9000);
  for (auto& b : data) b = uint8_t(random());
  for (size_t offset = 0; offset < 16; ++offset)
    for (size_t n = 0; n + offset <= data.size(); n += n < 300 ? 1 : 97)
      ASSERT_EQ(crc32Raw(0x12345678u, data.data() + offset, n), crc32RawPortable(0x12345678u, data.data() + offset, n))
          << "offset " << offset << ", length " << n;
}

std::string hex(const Blake2Digest& d) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : d) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// Every path this machine can run (the portable one at least).
std::vector<Blake2Path> blake2Paths() {
  std::vector<Blake2Path> paths;
  for (Blake2Path p : {Blake2Path::portable, Blake2Path::sse2, Blake2Path::ssse3})
    if (blake2spSupports(p)) paths.push_back(p);
  return paths;
}

std::vector<uint8_t> pattern(size_t n) {
  std::vector<uint8_t> data(n);
  for (size_t i = 0; i < n; ++i) data[i] = uint8_t((i * 7 + 3) % 251);
  return data;
}

// Digests computed independently (BLAKE2s with the tree parameters of
// BLAKE2sp, leaves and root hashed separately) of bytes (7i + 3) mod 251;
// the empty input's is the published one. The lengths sit around the
// block (64) and stripe (512) edges, where the last-block rule bites.
TEST(RarBlake2sp, KnownDigestsOnEveryPathAndInPieces) {
  const struct {
    size_t size;
    const char* digest;
  } cases[] = {
      {0, "dd0e891776933f43c7d032b08a917e25741f8aa9a12c12e1cac8801500f2ca4f"},
      {1, "456da349adc8eaa1ee5fd8397d9c181c21a8e9173ad90f22613fd34e1d576d44"},
      {3, "8eb24ffc24eb938e92845060890ef88de9cea9d498d1c5fd082dc9dc60abdaf3"},
      {64, "fdf085ce974e8b8faf93fa550382d1fcfe943744924954dc445004d7807a64db"},
      {65, "7e2795c8d98965fe799660d6dbe4baac64a194ada95298253cbd19ebf0041663"},
      {511, "88caca50e8c7bab5146f41f3d865feaff89c0da476949044909dd2f88e1780eb"},
      {512, "c4b95164374d38e74afb4da11bf2dcc3f229811c06cfb0196a404fcb7cec0815"},
      {513, "7e060d7b0e891d654af7835b71edee577dd03e5a11cc34313e01ec69e910a782"},
      {575, "22874ffdd0f788033bd7b8b5ed476028c90fea984de4204b1c6265a7478e808e"},
      {1023, "bddfe79ffb7b96aed5e1f6798e2e4b37798f7139a56208e5c4a7982e2d40bfea"},
      {1024, "8024aa036bbae0e139b81df60c5aba813aa81dad15843f07e6918fd04d238e9a"},
      {1025, "8e86e480eb2cc7ea729c3a672aad7fe5cf4aaf572b65228c872b06d94e79ec75"},
      {1536, "340090602ad9ca019b8ea55d3bfbcb9d954094d71d954d4911277f043e6f1fa6"},
      {4109, "d5fe2a31c16ea2e2353d0477c94ef0c128f861a6a28025dde2e6ae8e6049260e"},
      {65536, "80d6975ecbaeb0bf8c8eccbce63b11504679a924fc3257df2c6eb91774ade8dc"},
      {100003, "224b6caa72f1c8074302b7796d6c721dfaf4ab11a312ffb04897ad8d436cfa58"},
  };
  const std::vector<uint8_t> data = pattern(100003);
  for (Blake2Path path : blake2Paths()) {
    for (const auto& c : cases) {
      Blake2sp whole(path);
      whole.update(data.data(), c.size);
      EXPECT_EQ(hex(whole.finish()), c.digest) << "path " << int(path) << ", " << c.size << " bytes";
      // The same input in uneven pieces: 1, 2, 5, 14, 41, ... bytes.
      Blake2sp pieces(path);
      for (size_t at = 0, step = 1; at < c.size; at += step, step = step * 3 - 1)
        pieces.update(data.data() + at, std::min(step, c.size - at));
      EXPECT_EQ(hex(pieces.finish()), c.digest) << "path " << int(path) << ", " << c.size << " bytes in pieces";
    }
  }
}

TEST(RarBlake2sp, PathsAgreeAtEveryLengthAndAlignment) {
  const std::vector<Blake2Path> paths = blake2Paths();
  if (paths.size() < 2) GTEST_SKIP() << "only the portable path here";
  std::mt19937 random(21);
  std::vector<uint8_t> data(4300);
  for (auto& b : data) b = uint8_t(random());
  for (size_t offset = 0; offset < 16; ++offset) {
    for (size_t n = 0; n + offset <= data.size(); n += n < 1100 ? 1 : 29) {
      Blake2sp reference(Blake2Path::portable);
      reference.update(data.data() + offset, n);
      const Blake2Digest expected = reference.finish();
      for (Blake2Path path : paths) {
        Blake2sp h(path);
        h.update(data.data() + offset, n);
        ASSERT_EQ(h.finish(), expected) << "path " << int(path) << ", offset " << offset << ", length " << n;
      }
    }
  }
}

}  // namespace
}  // namespace rar
