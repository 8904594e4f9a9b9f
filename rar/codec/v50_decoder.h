#pragma once
// The RAR 5 LZ method (algorithm version 0) and its RAR 7 extension (version
// 1: 80 distance codes, dictionaries that are not powers of two), with the
// DELTA, E8, E8E9 and ARM filters, solid across members.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "rar/codec/bit_reader.h"
#include "rar/codec/huffman.h"
#include "rar/codec/match_window.h"
#include "rar/decoder.h"

namespace rar::codec {

class V50Decoder : public Decoder {
 public:
  explicit V50Decoder(const DecoderLimits& limits) : limits_(limits) {}
  Status decode(const MemberParams& params, PackedInput& in, DecodedOutput& out) override;

  // Bounds of the format, also used by the tests.
  static constexpr size_t kMaxFilterSize = 0x400000;
  static constexpr size_t kMaxPendingFilters = 8192;

 private:
  enum class FilterType : uint8_t { delta = 0, e8 = 1, e8e9 = 2, arm = 3 };
  struct Filter {
    uint64_t start;  // stream position
    uint32_t size;
    FilterType type;
    uint8_t channels;
  };
  struct Block {
    uint64_t endBit;  // bit position where the block's data ends
    bool last;
  };

  Status startMember(const MemberParams& params);
  Status decodeMember(BitReader& br, DecodedOutput& out);
  Status readBlockHeader(BitReader& br, Block& block);
  Status readTables(BitReader& br);
  Status readFilter(BitReader& br);
  // Writes out everything before `limit` that no pending filter holds back,
  // running the filters whose data is complete.
  Status flush(uint64_t limit, DecodedOutput& out);
  Status runFilter(const Filter& f, DecodedOutput& out);

  DecoderLimits limits_;
  MatchWindow window_;
  HuffmanTable main_, distance_, align_, length_;
  bool tablesRead_ = false;
  bool poisoned_ = false;   // a member failed: solid continuation is refused
  unsigned distanceCodes_ = 64;
  uint64_t dictionary_ = 0;  // largest declared dictionary of the solid run
  std::array<uint64_t, 4> reps_{};
  uint32_t lastLength_ = 0;

  uint64_t memberStart_ = 0;  // stream position of the member's first byte
  uint64_t memberEnd_ = 0;    // stream position after its last byte
  uint64_t flushed_ = 0;      // stream bytes already handed to the output
  uint64_t flushTrigger_ = 0; // pos() at which flush() must run
  std::deque<Filter> filters_;  // pending, in stream order
  std::vector<uint8_t> filterIn_, filterOut_;
};

}  // namespace rar::codec
