#pragma once
// The fixed codes of the RAR 1.5 format.

#include "rar/codec/v15_prefix_code.h"

namespace rar::codec::v15 {

struct Codes {
  FixedPrefixCode length1, length2;                 // match lengths
  FixedPrefixCode byteCode[5];                      // literals, offsets, flags (by running average)
  // Short-match selectors, index (average >= 37 ? 2 : 0) + (alternate set ? 0 : 1).
  FixedPrefixCode shortMatch[4];
};

// Built once per decoder.
Codes buildCodes();

}  // namespace rar::codec::v15
