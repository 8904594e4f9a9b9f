#include "rar/codec/v15_tables.h"

#include <vector>

namespace rar::codec::v15 {
namespace {

// The RAR 1.5 format's fixed code length tables, as run lengths
// ({code length, number of consecutive symbols}), symbols in order; the codes
// are canonical with the shortest codes numerically smallest. Values from
// XADMaster's XADRAR15Handle.m.
struct Run {
  uint8_t length;
  uint16_t count;
};

FixedPrefixCode fromRuns(std::initializer_list<Run> runs) {
  std::vector<uint8_t> lengths;
  for (const Run& r : runs) lengths.insert(lengths.end(), r.count, r.length);
  return FixedPrefixCode::fromLengths(lengths.data(), static_cast<int>(lengths.size()));
}

using C = FixedPrefixCode::Code;

// Short-match selector codes (MSB first). 0..8: new short distance with
// length selector + 2; 9: repeat the last match; 10..13: one of the four
// previous distances; 14: long distance (only in the first set of each pair).
constexpr C kShort0[] = {{0, 0x00, 1},  {1, 0x0a, 4},  {2, 0x0d, 4},  {3, 0x0e, 4},  {4, 0x1e, 5},
                         {5, 0x3e, 6},  {6, 0x7e, 7},  {7, 0xfe, 8},  {8, 0xff, 8},  {9, 0x0c, 4},
                         {10, 0x08, 4}, {11, 0x12, 5}, {12, 0x26, 6}, {13, 0x27, 6}, {14, 0x0b, 4}};
constexpr C kShort1[] = {{0, 0x00, 1},  {1, 0x05, 3},  {2, 0x0d, 4},  {3, 0x0e, 4},  {4, 0x1e, 5},
                         {5, 0x3e, 6},  {6, 0x7e, 7},  {7, 0xfe, 8},  {8, 0xff, 8},  {9, 0x0c, 4},
                         {10, 0x08, 4}, {11, 0x12, 5}, {12, 0x26, 6}, {13, 0x27, 6}};
constexpr C kShort2[] = {{0, 0x00, 2},  {1, 0x02, 3},  {2, 0x03, 3},  {3, 0x0a, 4},  {4, 0x0d, 4},
                         {5, 0x0e, 4},  {6, 0x1e, 5},  {7, 0x3e, 6},  {8, 0x3f, 6},  {9, 0x0c, 4},
                         {10, 0x08, 4}, {11, 0x12, 5}, {12, 0x26, 6}, {13, 0x27, 6}, {14, 0x0b, 4}};
constexpr C kShort3[] = {{0, 0x00, 2},  {1, 0x02, 3},  {2, 0x03, 3},  {3, 0x05, 3},  {4, 0x0d, 4},
                         {5, 0x0e, 4},  {6, 0x1e, 5},  {7, 0x3e, 6},  {8, 0x3f, 6},  {9, 0x0c, 4},
                         {10, 0x08, 4}, {11, 0x12, 5}, {12, 0x26, 6}, {13, 0x27, 6}};

template <size_t N>
FixedPrefixCode fromCodes(const C (&codes)[N]) {
  return FixedPrefixCode::fromCodes(codes, static_cast<int>(N));
}

}  // namespace

Codes buildCodes() {
  return Codes{
      fromRuns({{2, 2}, {3, 1}, {4, 2}, {5, 2}, {6, 4}, {7, 5}, {8, 4}, {9, 4}, {10, 8}, {12, 224}}),
      fromRuns({{3, 5}, {4, 2}, {5, 2}, {6, 4}, {7, 5}, {8, 4}, {9, 4}, {10, 8}, {11, 2}, {12, 220}}),
      {
          fromRuns({{4, 8}, {5, 8}, {6, 8}, {7, 9}, {12, 224}}),
          fromRuns({{5, 4}, {6, 40}, {7, 16}, {8, 16}, {9, 4}, {11, 47}, {12, 130}}),
          fromRuns({{5, 2}, {6, 5}, {7, 46}, {8, 64}, {9, 116}, {10, 24}}),
          fromRuns({{6, 2}, {7, 14}, {8, 202}, {9, 33}, {10, 6}}),
          fromRuns({{8, 255}, {9, 2}}),
      },
      {fromCodes(kShort0), fromCodes(kShort1), fromCodes(kShort2), fromCodes(kShort3)},
  };
}

}  // namespace rar::codec::v15
