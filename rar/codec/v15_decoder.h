#pragma once
// The RAR 1.5 method (unpack version 15, also used by RAR 1.4 archives): an
// LZ77 coder with a fixed 64 KB window, fixed prefix codes picked by running
// averages, and adaptive byte-ranking tables for flags, literals and offsets.

#include <memory>

#include "rar/decoder.h"

namespace rar::codec {

std::unique_ptr<Decoder> makeV15Decoder(const DecoderLimits& limits);

}  // namespace rar::codec
