#pragma once
// The RAR 2.9-4.x method (unpack versions 29, 36, 40): LZ blocks with four
// Huffman tables, PPMd variant H blocks (model in rar/codec/ppmd_h.h), and the
// standard RarVM filters, solid across members.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "rar/codec/bit_reader.h"
#include "rar/codec/huffman.h"
#include "rar/codec/match_window.h"
#include "rar/codec/ppmd_h.h"
#include "rar/codec/rarvm.h"
#include "rar/decoder.h"

namespace rar::codec {

class V29Decoder : public Decoder {
 public:
  explicit V29Decoder(const DecoderLimits& limits);
  ~V29Decoder() override;
  Status decode(const MemberParams& params, PackedInput& in, DecodedOutput& out) override;

  static constexpr size_t kMaxPendingFilters = 8192;

 private:
  struct Filter {
    uint64_t start;  // stream position
    uint32_t length;
    rarvm::Program program;
    uint32_t r0, r1;
  };
  enum class Step { more, endOfFile, error };
  class PpmInput;

  Status startMember(const MemberParams& params);
  Status decodeMember(BitReader& br, DecodedOutput& out);
  Status readTables(BitReader& br);
  Status decodeLz(BitReader& br, DecodedOutput& out, bool& endOfFile);
  Status decodePpm(BitReader& br, DecodedOutput& out, bool& endOfFile);
  Status addFilter(const uint8_t* record, size_t size);
  Status flush(uint64_t limit, DecodedOutput& out);
  Status runFilters(DecodedOutput& out);
  Status copyMatch(uint64_t distance, uint32_t length) {
    if (distance == 0 || distance > window_.history())
      return Status(Error::corruptData, "match distance beyond the data decoded so far");
    window_.copyMatch(static_cast<size_t>(distance), length);
    return Status::success();
  }

  DecoderLimits limits_;
  MatchWindow window_;
  HuffmanTable main_, distance_, lowDistance_, length_;
  std::array<uint8_t, 404> oldLengths_{};
  std::unique_ptr<ppmd::ModelH> ppmd_;
  bool tablesRead_ = false;
  bool ppmMode_ = false;
  bool poisoned_ = false;
  bool damagedTail_ = false;  // the stream after the member's last byte was bad
  std::array<uint64_t, 4> reps_{};
  uint32_t lastLength_ = 0;
  unsigned lowDistance_repeats_ = 0;
  unsigned lastLowDistance_ = 0;

  rarvm::ProgramTable programs_;
  std::deque<Filter> filters_;
  std::vector<uint8_t> record_;  // a filter record being read
  std::unique_ptr<uint8_t[]> filterA_, filterB_;

  uint64_t memberStart_ = 0;
  uint64_t memberEnd_ = 0;
  uint64_t flushed_ = 0;
  uint64_t flushTrigger_ = 0;
};

}  // namespace rar::codec
