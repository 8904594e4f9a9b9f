#include "rar/codec/bit_reader.h"

#include <gtest/gtest.h>

#include "tests/rar/codec/stream_builder.h"

namespace rar::codec {
namespace {

using test::FailingInput;
using test::MemoryInput;

std::vector<uint8_t> counting(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 37 + 11);
  return v;
}

// Reads fields of varying width and compares with a bit-by-bit reference,
// for several piece sizes of the underlying input (refill boundaries).
TEST(BitReader, MatchesBitByBitReference) {
  std::vector<uint8_t> data = counting(200000);
  const unsigned widths[] = {1, 3, 7, 8, 13, 16, 24, 31, 32, 5, 0, 2};
  for (size_t piece : {size_t(1), size_t(7), size_t(4096), SIZE_MAX}) {
    MemoryInput in(data, piece);
    BitReader br(in);
    uint64_t bitPos = 0;
    size_t step = 0;
    while (bitPos + 32 <= data.size() * 8) {
      unsigned n = widths[step++ % std::size(widths)];
      uint32_t expected = 0;
      for (unsigned i = 0; i < n; ++i) {
        uint64_t p = bitPos + i;
        expected = expected << 1 | ((data[p / 8] >> (7 - p % 8)) & 1);
      }
      ASSERT_EQ(br.read(n), expected) << "piece " << piece << " bit " << bitPos << " width " << n;
      bitPos += n;
      ASSERT_EQ(br.position(), bitPos);
    }
    EXPECT_FALSE(br.overrun());
  }
}

TEST(BitReader, ReportsOverrunOnlyPastTheEnd) {
  MemoryInput in({0xAB, 0xCD});
  BitReader br(in);
  EXPECT_EQ(br.read(12), 0xABCu);
  EXPECT_FALSE(br.overrun());
  EXPECT_EQ(br.read(4), 0xDu);
  EXPECT_FALSE(br.overrun());
  EXPECT_TRUE(br.exhausted());
  EXPECT_EQ(br.read(1), 0u);  // padding is zero
  EXPECT_TRUE(br.overrun());
  for (int i = 0; i < 100; ++i) br.read(32);
  EXPECT_TRUE(br.overrun());
}

TEST(BitReader, EmptyInput) {
  MemoryInput in({});
  BitReader br(in);
  EXPECT_TRUE(br.exhausted());
  EXPECT_EQ(br.readByte(), -1);
  EXPECT_FALSE(br.overrun());
  br.read(1);
  EXPECT_TRUE(br.overrun());
}

TEST(BitReader, AlignAndReadBytes) {
  MemoryInput in({0xF0, 0x12, 0x34});
  BitReader br(in);
  EXPECT_EQ(br.read(3), 7u);
  br.alignToByte();
  EXPECT_EQ(br.position(), 8u);
  EXPECT_EQ(br.readByte(), 0x12);
  EXPECT_EQ(br.readByte(), 0x34);
  EXPECT_EQ(br.readByte(), -1);
  EXPECT_FALSE(br.overrun());
}

TEST(BitReader, Read64) {
  MemoryInput in({0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFF});
  BitReader br(in);
  EXPECT_EQ(br.read64(40), 0x0123456789ull);
  EXPECT_EQ(br.read64(24), 0xABCDEFull);
}

TEST(BitReader, PassesInputFailureOn) {
  FailingInput in({0x55}, Status(Error::missingVolume, "next volume"));
  BitReader br(in);
  // The failure may be seen early (read-ahead) but the good bytes still come.
  EXPECT_EQ(br.read(8), 0x55u);
  EXPECT_FALSE(br.overrun());
  br.read(8);
  EXPECT_TRUE(br.overrun());
  EXPECT_EQ(br.inputStatus().error(), Error::missingVolume);
}

}  // namespace
}  // namespace rar::codec
