// CRC-32: the folding (carry-less multiply) path against the portable table,
// over every short length and alignment, and the published check value.

#include <gtest/gtest.h>

#include <random>
#include <vector>

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

}  // namespace
}  // namespace rar
