#include "rar/codec/filters.h"

#include <gtest/gtest.h>

#include <vector>

#include "rar/codec/rarvm.h"
#include "tests/rar/codec/stream_builder.h"
#include "tests/rar/codec/v29_stream.h"

namespace rar::codec {
namespace {

std::vector<uint8_t> le32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

// x86 address conversion: which fields change and to what.
TEST(Filters, X86AddressConversion) {
  struct Case {
    const char* name;
    uint8_t opcode;
    bool alsoE9;
    uint32_t address;
    uint64_t fileOffset;
    uint32_t expected;
  };
  const Case cases[] = {
      {"positive in range", 0xE8, false, 0x1000, 0, 0x1000 - 1},
      {"positive with offset", 0xE8, false, 0x1000, 0x100, 0x1000 - 0x101},
      {"at or above 16 MB: unchanged", 0xE8, false, 0x1000000, 0, 0x1000000},
      {"negative, offset brings it >= 0", 0xE8, false, 0xFFFFFFF0u, 0x20, 0xFFFFFFF0u + 0x1000000},
      {"negative beyond offset: unchanged", 0xE8, false, 0xFFFFFFF0u, 0x4, 0xFFFFFFF0u},
      {"E9 only with E8E9", 0xE9, false, 0x1000, 0, 0x1000},
      {"E9 with E8E9", 0xE9, true, 0x1000, 0, 0x1000 - 1},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> data = {c.opcode};
    auto a = le32(c.address);
    data.insert(data.end(), a.begin(), a.end());
    data.push_back(0x90);
    std::vector<uint8_t> v3 = data, v5 = data;
    filters::x86v3(v3.data(), v3.size(), static_cast<uint32_t>(c.fileOffset), c.alsoE9);
    filters::x86v5(v5.data(), v5.size(), c.fileOffset, c.alsoE9);
    std::vector<uint8_t> expected = {c.opcode};
    auto e = le32(c.expected);
    expected.insert(expected.end(), e.begin(), e.end());
    expected.push_back(0x90);
    EXPECT_EQ(v3, expected) << c.name;
    EXPECT_EQ(v5, expected) << c.name;
  }
}

TEST(Filters, X86OffsetWrapsOnlyInRar5) {
  // RAR 5 takes the field position modulo 16 MB, RAR 3 does not.
  std::vector<uint8_t> data = {0xE8, 0x00, 0x10, 0x00, 0x00, 0x90};
  std::vector<uint8_t> v3 = data, v5 = data;
  const uint64_t offset = 0x1000000 + 0x10;
  filters::x86v5(v5.data(), v5.size(), offset, false);
  filters::x86v3(v3.data(), v3.size(), static_cast<uint32_t>(offset), false);
  EXPECT_EQ(v5, (std::vector<uint8_t>{0xE8, 0xEF, 0x0F, 0x00, 0x00, 0x90}));
  uint32_t r3 = 0x1000 - 0x1000011u;
  auto e = le32(r3);
  EXPECT_EQ(v3, (std::vector<uint8_t>{0xE8, e[0], e[1], e[2], e[3], 0x90}));
}

TEST(Filters, X86StopsBeforeTheLastFourBytesAndNeverReadsPast) {
  for (size_t size = 0; size < 12; ++size) {
    // Exactly-sized heap buffers so ASan sees any overread.
    std::unique_ptr<uint8_t[]> data(new uint8_t[size == 0 ? 1 : size]);
    for (size_t i = 0; i < size; ++i) data[i] = 0xE8;
    filters::x86v3(data.get(), size, 0, true);
    filters::x86v5(data.get(), size, 0, true);
  }
  std::vector<uint8_t> tail = {0x90, 0x90, 0xE8, 0x01, 0x00, 0x00};  // opcode at size - 4
  std::vector<uint8_t> copy = tail;
  filters::x86v5(copy.data(), copy.size(), 0, false);
  EXPECT_EQ(copy, tail);
}

TEST(Filters, ArmBranchTargets) {
  std::vector<uint8_t> data = {0x10, 0x00, 0x00, 0xEB, 0x10, 0x00, 0x00, 0xEA, 0x00, 0x00, 0x00, 0xEB, 0xFF};
  filters::arm(data.data(), data.size(), 0x40);
  // Word at 0: 0x10 - 0x40/4; word at 4 is no BL; word at 8: 0 - (0x48/4), 24-bit.
  EXPECT_EQ(data, (std::vector<uint8_t>{0x00, 0x00, 0x00, 0xEB, 0x10, 0x00, 0x00, 0xEA, 0xEE, 0xFF, 0xFF, 0xEB, 0xFF}));
}

TEST(Filters, DeltaInterleavesChannels) {
  std::vector<uint8_t> src = {1, 2, 3, 10, 20, 30, 0xFF};
  std::vector<uint8_t> dst(src.size());
  filters::delta(src.data(), dst.data(), src.size(), 3);
  // Channel 0 gets bytes 0,3,6 from src[0..2]; channel 1 bytes 1,4 from
  // src[3..4]; channel 2 bytes 2,5 from src[5..6]; each a running difference.
  EXPECT_EQ(dst, (std::vector<uint8_t>{0xFF, 0xF6, 0xE2, 0xFD, 0xE2, 0xE3, 0xFA}));
}

// The remaining transforms on every small size and parameter edge: no access
// outside the buffers (checked under ASan), deterministic results.
TEST(Filters, SmallBuffersStayInBounds) {
  for (size_t size = 0; size < 64; ++size) {
    std::unique_ptr<uint8_t[]> src(new uint8_t[size + 1]);
    std::unique_ptr<uint8_t[]> dst(new uint8_t[size + 1]);
    for (size_t i = 0; i < size; ++i) src[i] = static_cast<uint8_t>(i * 73 + 5);
    filters::itanium(src.get(), size, 0x12345);
    filters::audio(src.get(), dst.get(), size, 1);
    filters::audio(src.get(), dst.get(), size, 7);
    filters::delta(src.get(), dst.get(), size, 1024);
    if (size >= 3) {
      for (uint32_t width = 3; width - 3 <= size && width < 70; ++width)
        for (uint32_t posR = 0; posR <= 2; ++posR) filters::rgb(src.get(), dst.get(), size, width, posR);
    }
  }
}

TEST(Filters, ItaniumRewritesBranchSlots) {
  // Template 0x10 (slots 2 branch-capable: mask 4); put opcode 5 at bit
  // 2*41+18+24 and a 20-bit target at 2*41+18.
  std::vector<uint8_t> bundle(32, 0);
  bundle[0] = 0x10;
  auto setBits = [&bundle](unsigned pos, unsigned count, uint32_t v) {
    for (unsigned i = 0; i < count; ++i) {
      unsigned p = pos + i;
      bundle[p / 8] = static_cast<uint8_t>((bundle[p / 8] & ~(1u << (p % 8))) | (((v >> i) & 1) << (p % 8)));
    }
  };
  auto getBits = [&bundle](unsigned pos, unsigned count) {
    uint32_t v = 0;
    for (unsigned i = 0; i < count; ++i) v |= uint32_t((bundle[(pos + i) / 8] >> ((pos + i) % 8)) & 1) << i;
    return v;
  };
  const unsigned slot = 2 * 41 + 18;
  setBits(slot + 24, 4, 5);
  setBits(slot, 20, 0x345);
  filters::itanium(bundle.data(), bundle.size(), 0x200);  // bundle number 0x20
  EXPECT_EQ(getBits(slot, 20), 0x345u - 0x20u);
  EXPECT_EQ(getBits(slot + 24, 4), 5u);
}

TEST(RarVm, NumbersAndRecordBounds) {
  test::BitWriter w;
  const uint32_t values[] = {0, 15, 16, 200, 0xFFFFFF05u, 0x1234, 0x12345678};
  for (uint32_t v : values) {
    if (v >= 0xFFFFFF00u) {  // the short negative form
      w.put(1, 2);
      w.put(0, 4);
      w.put(v & 0xFF, 8);
    } else {
      test::putVmNumber(w, v);
    }
  }
  rarvm::RecordBits bits(w.bytes().data(), w.bytes().size());
  for (uint32_t v : values) EXPECT_EQ(bits.number(), v);
  EXPECT_FALSE(bits.overrun());
  bits.read(32);
  EXPECT_TRUE(bits.overrun());
}

TEST(RarVm, IdentifyChecksCodeBeforeLookingItUp) {
  std::vector<uint8_t> code(53, 0);
  EXPECT_EQ(rarvm::identify(code.data(), 0).status().error(), Error::corruptData);
  EXPECT_EQ(rarvm::identify(code.data(), code.size()).status().error(), Error::unsupported);
  code[3] = 1;
  EXPECT_EQ(rarvm::identify(code.data(), code.size()).status().error(), Error::corruptData);
  std::vector<uint8_t> huge(rarvm::kMaxCodeSize + 1, 0);
  EXPECT_EQ(rarvm::identify(huge.data(), huge.size()).status().error(), Error::corruptData);
}

}  // namespace
}  // namespace rar::codec
