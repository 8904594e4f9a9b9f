#pragma once
// The RAR 2.0 method (unpack versions 20 and 26): LZ77 with Huffman-coded
// literals, lengths and distances, and a multimedia mode in which each channel
// of interleaved audio is coded as prediction errors.

#include <memory>

#include "rar/decoder.h"

namespace rar::codec {

std::unique_ptr<Decoder> makeV20Decoder(const DecoderLimits& limits);

}  // namespace rar::codec
