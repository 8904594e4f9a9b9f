#pragma once
// The boundary between the container reader and the decompression methods.
// The container hands a decoder the member's packed bytes (already decrypted
// and joined across volumes) and an output that checksums and stores what the
// decoder produces.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "rar/status.h"

namespace rar {

// Packed bytes of the current member. read() returns 0 once the member's
// packed data is exhausted; a failure (missing volume, abort, read error)
// comes back as a status and must be passed on unchanged.
class PackedInput {
 public:
  virtual ~PackedInput() = default;
  virtual Result<size_t> read(uint8_t* buffer, size_t size) = 0;
};

// Receives decoded bytes in order. A failed write (abort, disk) must be
// passed on unchanged.
class DecodedOutput {
 public:
  virtual ~DecodedOutput() = default;
  virtual Status write(const uint8_t* data, size_t size) = 0;
};

// Algorithm families, chosen from the unpack version (not the method byte):
// 15 -> v15 (also for RAR 1.4 archives), 20 and 26 -> v20, 29/36/40 -> v29,
// RAR 5 algorithm versions 0 and 1 -> v50.
enum class Family { v15, v20, v29, v50 };

struct MemberParams {
  Family family = Family::v29;
  uint8_t algorithmVersion = 0;   // RAR 5: 0 (v50) or 1 (v70: 80 distance codes)
  uint64_t unpackedSize = 0;      // bytes to produce
  bool sizeKnown = true;          // false: decode to the end of the stream
  uint64_t dictionarySize = 0;    // declared window size in bytes
  bool solid = false;             // continue the state of the previous member
};

// Memory policy: dictionaries larger than this are refused as unsupported.
struct DecoderLimits {
  uint64_t maxDictionary = uint64_t(1) << 30;
};

class Decoder {
 public:
  virtual ~Decoder() = default;
  // Decodes one member into `out`. After any failure the solid state is
  // poisoned: a later solid member fails until a non-solid one resets it.
  virtual Status decode(const MemberParams& params, PackedInput& in, DecodedOutput& out) = 0;
};

// A decoder of the family; Error::unsupported when the family is not built in.
Result<std::unique_ptr<Decoder>> makeDecoder(Family family, const DecoderLimits& limits = {});

}  // namespace rar
