#include "rar/codec/v15_decoder.h"

#include <array>
#include <cstring>

#include "rar/codec/bit_reader.h"
#include "rar/codec/v15_tables.h"
#include "rar/codec/v20_window.h"

namespace rar::codec {
namespace {

constexpr size_t kWindowSize = 0x10000;  // the format's fixed window

// A byte-ranking table: symbols index entries whose high bits are a byte
// value and low 8 bits a use counter. Looking an entry up promotes it towards
// the front of its counter group; a counter reaching the limit regroups all.
struct RankTable {
  std::array<uint32_t, 256> entry{};
  std::array<uint32_t, 256> groupStart{};

  void regroup() {
    for (uint32_t i = 0; i < 8; ++i)
      for (uint32_t j = 0; j < 32; ++j) entry[i * 32 + j] = (entry[i * 32 + j] & ~0xffu) | (7 - i);
    groupStart.fill(0);
    for (uint32_t i = 0; i < 7; ++i) groupStart[i] = (7 - i) * 32;
  }

  uint8_t lookup(uint32_t index, uint32_t limit) {
    uint32_t value = entry[index];
    if ((value & 0xff) >= limit) {
      regroup();
      value = entry[index];
    }
    // The groups stay sorted by counter, so the start stays below 256; the
    // mask only keeps a broken invariant from reaching outside the table.
    const uint32_t front = groupStart[value & 0xff]++ & 0xff;
    entry[index] = entry[front];
    entry[front] = value + 1;
    return static_cast<uint8_t>(value >> 8);
  }
};

struct State {
  RankTable flags, literals, offsets;
  std::array<uint8_t, 256> shortOffsets{};
  uint32_t avgSelector = 0, avgLiteral = 0, avgLength = 0, avgOffset = 0, avgBelowMax = 0;
  uint32_t maxOffset = 0, literalWeight = 0, matchWeight = 0;
  uint32_t repeatedLiterals = 0;
  bool alternateShortCodes = false;
  uint32_t lastOffset = 0, lastLength = 0;
  std::array<uint32_t, 4> oldOffsets{};
  uint32_t oldOffsetIndex = 0;
  // Per member.
  uint32_t flagByte = 0;
  int flagBits = 0;
  bool storedBlock = false;
  uint32_t repeatedLastMatches = 0;

  void reset() {
    *this = State{};
    avgLiteral = 0x3500;
    maxOffset = 0x2001;
    literalWeight = matchWeight = 0x80;
    for (uint32_t i = 0; i < 256; ++i) {
      flags.entry[i] = ((0u - i) & 0xff) << 8;
      literals.entry[i] = i << 8;
      offsets.entry[i] = i << 8;
      shortOffsets[i] = static_cast<uint8_t>(i);
    }
    offsets.regroup();
  }
  void startMember() {
    flagBits = 0;
    storedBlock = false;
    repeatedLastMatches = 0;
  }
};

class V15Decoder final : public Decoder {
 public:
  explicit V15Decoder(const DecoderLimits& limits) : limits_(limits), codes_(v15::buildCodes()) {}

  Status decode(const MemberParams& params, PackedInput& in, DecodedOutput& out) override {
    Status s = run(params, in, out);
    if (!s.ok()) ready_ = false;
    return s;
  }

 private:
  Status run(const MemberParams& params, PackedInput& in, DecodedOutput& out);
  Status decodeSymbol(BitReader& bits);
  Status literal(BitReader& bits);
  Status longMatch(BitReader& bits);
  Status shortMatch(BitReader& bits);
  Status emitMatch(uint32_t offset, uint32_t length);
  int flagBit(BitReader& bits);

  const FixedPrefixCode& byteCodeFor(uint32_t avg, uint32_t l0, uint32_t l1, uint32_t l2, uint32_t l3) const {
    if (avg < l0) return codes_.byteCode[0];
    if (avg < l1) return codes_.byteCode[1];
    if (avg < l2) return codes_.byteCode[2];
    if (avg < l3) return codes_.byteCode[3];
    return codes_.byteCode[4];
  }

  DecoderLimits limits_;
  v15::Codes codes_;
  State st_;
  LzWindow window_;
  bool ready_ = false;       // a state exists that a solid member may continue
  uint64_t remaining_ = 0;   // bytes still to produce for this member
};

Status V15Decoder::run(const MemberParams& params, PackedInput& in, DecodedOutput& out) {
  if (limits_.maxDictionary < kWindowSize)
    return Status(Error::unsupported, "the 64 KB window of RAR 1.5 data exceeds the memory limit");
  if (params.solid && !ready_)
    return Status(Error::corruptData, "solid member without a usable preceding member");
  window_.reserve(kWindowSize);
  if (!params.solid) {
    window_.reset();
    st_.reset();
  }
  st_.startMember();
  window_.beginMember(out);
  ready_ = true;

  BitReader bits(in);
  remaining_ = params.sizeKnown ? params.unpackedSize : UINT64_MAX;
  while (remaining_ > 0) {
    Status s = decodeSymbol(bits);
    if (bits.overrun()) {
      if (!bits.inputStatus().ok()) return bits.inputStatus();
      if (!params.sizeKnown) break;  // the stream simply ended
      return Status(Error::corruptData, "RAR 1.5 data ends early");
    }
    if (!s.ok()) return s;
  }
  return window_.flush();
}

int V15Decoder::flagBit(BitReader& bits) {
  if (st_.flagBits == 0) {
    const int index = codes_.byteCode[2].decode(bits);
    if (index < 0 || index == 256) return -1;
    st_.flagByte = st_.flags.lookup(static_cast<uint32_t>(index), 0xff);
    st_.flagBits = 8;
  }
  --st_.flagBits;
  return (st_.flagByte >> st_.flagBits) & 1;
}

Status V15Decoder::decodeSymbol(BitReader& bits) {
  if (st_.storedBlock) return literal(bits);
  const bool expectMatch = st_.matchWeight > st_.literalWeight;
  int f = flagBit(bits);
  if (f < 0) return Status(Error::corruptData, "RAR 1.5 data: invalid flag code");
  if (f == 1) return expectMatch ? longMatch(bits) : literal(bits);
  f = flagBit(bits);
  if (f < 0) return Status(Error::corruptData, "RAR 1.5 data: invalid flag code");
  if (f == 1) return expectMatch ? literal(bits) : longMatch(bits);
  return shortMatch(bits);
}

Status V15Decoder::literal(BitReader& bits) {
  int index = byteCodeFor(st_.avgLiteral, 0xe00, 0x3600, 0x5e00, 0x7600).decode(bits);
  if (index < 0) return Status(Error::corruptData, "RAR 1.5 data: invalid literal code");
  if (st_.storedBlock) {
    if (index == 0) {
      // Symbol 0 in a literal run: a bit ends the run, or a short match follows.
      if (bits.read(1) != 0) {
        st_.storedBlock = false;
        st_.repeatedLiterals = 0;
        return Status::success();
      }
      const uint32_t length = (bits.read(1) != 0) ? 4 : 3;
      const int high = codes_.byteCode[2].decode(bits);
      if (high < 0) return Status(Error::corruptData, "RAR 1.5 data: invalid offset code");
      const uint32_t offset = (static_cast<uint32_t>(high) << 5) | bits.read(5);
      return emitMatch(offset, length);
    }
    --index;
  } else {
    index &= 0xff;
    if (st_.repeatedLiterals++ >= 16 && st_.flagBits == 0) st_.storedBlock = true;
  }
  st_.avgLiteral += static_cast<uint32_t>(index);
  st_.avgLiteral -= st_.avgLiteral >> 8;
  st_.literalWeight += 16;
  if (st_.literalWeight > 0xff) {
    st_.literalWeight = 0x90;
    st_.matchWeight >>= 1;
  }
  const uint8_t byte = st_.literals.lookup(static_cast<uint32_t>(index), 0xa1);
  if (remaining_ != UINT64_MAX) --remaining_;
  return window_.putByte(byte);
}

Status V15Decoder::longMatch(BitReader& bits) {
  st_.repeatedLiterals = 0;
  st_.matchWeight += 16;
  if (st_.matchWeight > 0xff) {
    st_.matchWeight = 0x90;
    st_.literalWeight >>= 1;
  }

  int rawLength = 0;
  if (st_.avgLength >= 122) {
    rawLength = codes_.length2.decode(bits);
  } else if (st_.avgLength >= 64) {
    rawLength = codes_.length1.decode(bits);
  } else {
    // Unary up to 8, then an 8-bit value.
    while (rawLength < 8 && bits.read(1) == 0) ++rawLength;
    if (rawLength == 8) rawLength = static_cast<int>(bits.read(8));
  }
  if (rawLength < 0) return Status(Error::corruptData, "RAR 1.5 data: invalid length code");

  const int offsetIndex = byteCodeFor(st_.avgOffset, 0x700, 0x2900, UINT32_MAX, UINT32_MAX).decode(bits);
  if (offsetIndex < 0 || offsetIndex == 256) return Status(Error::corruptData, "RAR 1.5 data: invalid offset code");

  uint32_t offset = static_cast<uint32_t>(st_.offsets.lookup(static_cast<uint32_t>(offsetIndex), 0xff)) << 7;
  offset |= bits.read(7);

  uint32_t length = static_cast<uint32_t>(rawLength) + 3;
  if (offset >= st_.maxOffset) ++length;
  if (offset <= 256) length += 8;

  const uint32_t previousMax = st_.maxOffset;
  st_.maxOffset = (st_.avgBelowMax > 0xb0 || (st_.avgLiteral >= 0x2a00 && st_.avgLength < 0x40)) ? 0x7f00 : 0x2001;

  st_.avgLength += static_cast<uint32_t>(rawLength);
  st_.avgLength -= st_.avgLength >> 5;
  st_.avgOffset += static_cast<uint32_t>(offsetIndex);
  st_.avgOffset -= st_.avgOffset >> 8;

  if (rawLength == 0 && offset <= previousMax) {
    ++st_.avgBelowMax;
    st_.avgBelowMax -= st_.avgBelowMax >> 8;
  } else if (rawLength != 1 && rawLength != 4 && st_.avgBelowMax > 0) {
    --st_.avgBelowMax;
  }

  st_.lastOffset = st_.oldOffsets[st_.oldOffsetIndex++ & 3] = offset;
  st_.lastLength = length;
  return emitMatch(offset, length);
}

Status V15Decoder::shortMatch(BitReader& bits) {
  st_.repeatedLiterals = 0;
  if (st_.repeatedLastMatches == 2) {
    if (bits.read(1) != 0) return emitMatch(st_.lastOffset, st_.lastLength);
    st_.repeatedLastMatches = 0;
  }

  const size_t set = (st_.avgSelector >= 37 ? 2 : 0) + (st_.alternateShortCodes ? 0 : 1);
  const int selector = codes_.shortMatch[set].decode(bits);
  if (selector < 0) return Status(Error::corruptData, "RAR 1.5 data: invalid short match code");

  if (selector < 9) {
    st_.repeatedLastMatches = 0;
    st_.avgSelector += static_cast<uint32_t>(selector);
    st_.avgSelector -= st_.avgSelector >> 4;
    const int code = codes_.byteCode[2].decode(bits);
    if (code < 0) return Status(Error::corruptData, "RAR 1.5 data: invalid offset code");
    const uint32_t index = static_cast<uint32_t>(code) & 0xff;
    uint32_t offset = st_.shortOffsets[index];
    if (index != 0) {
      // Move the used distance one place towards the front.
      st_.shortOffsets[index] = st_.shortOffsets[index - 1];
      st_.shortOffsets[index - 1] = static_cast<uint8_t>(offset);
    }
    ++offset;
    const uint32_t length = static_cast<uint32_t>(selector) + 2;
    st_.lastOffset = st_.oldOffsets[st_.oldOffsetIndex++ & 3] = offset;
    st_.lastLength = length;
    return emitMatch(offset, length);
  }
  if (selector == 9) {
    ++st_.repeatedLastMatches;
    return emitMatch(st_.lastOffset, st_.lastLength);
  }
  if (selector < 14) {
    st_.repeatedLastMatches = 0;
    const uint32_t offset = st_.oldOffsets[(st_.oldOffsetIndex - static_cast<uint32_t>(selector - 9)) & 3];
    const int code = codes_.length1.decode(bits);
    if (code < 0) return Status(Error::corruptData, "RAR 1.5 data: invalid length code");
    uint32_t length = static_cast<uint32_t>(code) + 2;
    if (length == 0x101 && selector == 10) {
      // Switches between the two sets of short-match codes.
      st_.alternateShortCodes = !st_.alternateShortCodes;
      return Status::success();
    }
    if (offset > 256) ++length;
    if (offset >= st_.maxOffset) ++length;
    st_.lastOffset = st_.oldOffsets[st_.oldOffsetIndex++ & 3] = offset;
    st_.lastLength = length;
    return emitMatch(offset, length);
  }
  // Selector 14: a long distance with its own length code.
  st_.repeatedLastMatches = 0;
  const int code = codes_.length2.decode(bits);
  if (code < 0) return Status(Error::corruptData, "RAR 1.5 data: invalid length code");
  const uint32_t length = static_cast<uint32_t>(code) + 5;
  const uint32_t offset = bits.read(15) + 0x8000;
  st_.lastOffset = offset;
  st_.lastLength = length;
  return emitMatch(offset, length);
}

Status V15Decoder::emitMatch(uint32_t offset, uint32_t length) {
  if (length == 0) return Status::success();
  if (!window_.validDistance(offset))
    return Status(Error::corruptData, "RAR 1.5 data: match distance reaches before the start of the data");
  // A match never extends the member beyond its declared size.
  const uint64_t n = std::min<uint64_t>(length, remaining_);
  if (remaining_ != UINT64_MAX) remaining_ -= n;
  return window_.copyMatch(offset, static_cast<size_t>(n));
}

}  // namespace

std::unique_ptr<Decoder> makeV15Decoder(const DecoderLimits& limits) { return std::make_unique<V15Decoder>(limits); }

}  // namespace rar::codec
