#include "rar/codec/v20_decoder.h"

#include <algorithm>
#include <array>
#include <string>

#include "rar/codec/bit_reader.h"
#include "rar/codec/huffman.h"
#include "rar/codec/v20_audio.h"
#include "rar/codec/v20_window.h"

namespace rar::codec {
namespace {

// Length and distance slots of the RAR 2.0 format (the first 48 distance
// slots of the RAR 2.9 table), as in rardecode's decode29_lz.go.
constexpr uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                     24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint32_t kDistanceBase[48] = {
    0,     1,     2,     3,     4,     6,     8,     12,     16,     24,     32,     48,     64,     96,     128,    192,
    256,   384,   512,   768,   1024,  1536,  2048,  3072,   4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,
    65536, 98304, 131072, 196608, 262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
constexpr uint8_t kDistanceBits[48] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                       7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
                                       15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
constexpr uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

constexpr size_t kMainSymbols = 298, kDistanceSymbols = 48, kLengthSymbols = 28;
constexpr size_t kAudioSymbols = 257;
constexpr size_t kMaxChannels = 4;
constexpr size_t kTableSize = kAudioSymbols * kMaxChannels;  // the larger of the two layouts
constexpr int kReadTables = 269;                            // LZ symbol: a new table follows
constexpr int kAudioReadTables = 256;                       // audio symbol: a new table follows
constexpr uint64_t kMaxWindow = uint64_t(4) << 20;           // the largest dictionary the format can state

struct State {
  std::array<uint8_t, kTableSize> lengths{};  // code lengths, delta-coded against the previous table
  bool tablesRead = false;
  bool audio = false;
  size_t channels = 1;
  size_t channel = 0;
  int channelDelta = 0;
  std::array<v20::AudioChannel, kMaxChannels> audioChannels{};
  std::array<uint32_t, 4> distances{};  // most recent first
  uint32_t lastLength = 0;
};

class V20Decoder final : public Decoder {
 public:
  explicit V20Decoder(const DecoderLimits& limits) : limits_(limits) {}

  Status decode(const MemberParams& params, PackedInput& in, DecodedOutput& out) override {
    Status s = run(params, in, out);
    if (!s.ok()) ready_ = false;
    return s;
  }

 private:
  Status run(const MemberParams& params, PackedInput& in, DecodedOutput& out);
  Status readTables(BitReader& bits);
  Status buildTables();
  Status decodeLz(BitReader& bits);
  Status decodeAudio(BitReader& bits);
  Status match(uint32_t distance, uint32_t length);
  void pushDistance(uint32_t distance) {
    st_.distances = {distance, st_.distances[0], st_.distances[1], st_.distances[2]};
  }
  void peekTablesAtEnd(BitReader& bits);

  DecoderLimits limits_;
  State st_;
  LzWindow window_;
  HuffmanTable main_, distance_, length_;
  std::array<HuffmanTable, kMaxChannels> audio_;
  bool ready_ = false;
  uint64_t remaining_ = 0;
};

Status corrupt(const char* what) { return Status(Error::corruptData, std::string("RAR 2.0 data: ") + what); }

Status V20Decoder::run(const MemberParams& params, PackedInput& in, DecodedOutput& out) {
  if (params.dictionarySize == 0) return corrupt("zero dictionary size");
  if (params.dictionarySize > limits_.maxDictionary)
    return Status(Error::unsupported, "RAR 2.0 dictionary of " + std::to_string(params.dictionarySize >> 10) +
                                          " KB exceeds the memory limit");
  if (params.dictionarySize > kMaxWindow) return corrupt("dictionary larger than the format allows");
  if (params.solid && !ready_) return corrupt("solid member without a usable preceding member");

  size_t windowSize = 0x10000;
  while (windowSize < params.dictionarySize) windowSize <<= 1;
  if (!params.solid) {
    window_.reset();
    st_ = State{};
  }
  // A solid member may only grow the window (its history moves along).
  window_.reserve(windowSize);
  window_.beginMember(out);
  ready_ = true;

  BitReader bits(in);
  remaining_ = params.sizeKnown ? params.unpackedSize : UINT64_MAX;
  if (!st_.tablesRead) {
    Status s = readTables(bits);
    if (bits.overrun()) return bits.inputStatus().ok() ? corrupt("data ends in the tables") : bits.inputStatus();
    if (!s.ok()) return s;
  }
  while (remaining_ > 0) {
    Status s = st_.audio ? decodeAudio(bits) : decodeLz(bits);
    if (bits.overrun()) {
      if (!bits.inputStatus().ok()) return bits.inputStatus();
      if (!params.sizeKnown) break;  // the stream simply ended
      return corrupt("data ends early");
    }
    if (!s.ok()) return s;
  }
  if (params.sizeKnown) peekTablesAtEnd(bits);
  return window_.flush();
}

Status V20Decoder::readTables(BitReader& bits) {
  st_.tablesRead = false;
  st_.audio = bits.read(1) != 0;
  if (bits.read(1) == 0) st_.lengths.fill(0);
  size_t count = kMainSymbols + kDistanceSymbols + kLengthSymbols;
  if (st_.audio) {
    st_.channels = bits.read(2) + 1;
    if (st_.channel >= st_.channels) st_.channel = 0;
    count = kAudioSymbols * st_.channels;
  }

  std::array<uint8_t, 19> levelLengths{};
  for (uint8_t& l : levelLengths) l = static_cast<uint8_t>(bits.read(4));
  HuffmanTable level;
  Status s = level.build(levelLengths.data(), levelLengths.size());
  if (!s.ok()) return s;

  for (size_t i = 0; i < count;) {
    if (bits.overrun()) return corrupt("data ends in the tables");
    const int sym = level.decode(bits);
    if (sym < 0) return corrupt("invalid code in the table lengths");
    if (sym < 16) {
      st_.lengths[i] = static_cast<uint8_t>((st_.lengths[i] + sym) & 15);
      ++i;
    } else if (sym == 16) {
      if (i == 0) return corrupt("table repeats a length before the first one");
      const size_t n = std::min(count, i + 3 + bits.read(2));
      const uint8_t previous = st_.lengths[i - 1];
      for (; i < n; ++i) st_.lengths[i] = previous;
    } else {
      const size_t run = sym == 17 ? 3 + bits.read(3) : 11 + bits.read(7);
      const size_t n = std::min(count, i + run);
      for (; i < n; ++i) st_.lengths[i] = 0;
    }
  }

  return buildTables();
}

Status V20Decoder::buildTables() {
  st_.tablesRead = false;
  Status s;
  if (st_.audio) {
    for (size_t c = 0; c < st_.channels; ++c) {
      s = audio_[c].build(st_.lengths.data() + c * kAudioSymbols, kAudioSymbols);
      if (!s.ok()) return s;
    }
  } else {
    const uint8_t* l = st_.lengths.data();
    if (!(s = main_.build(l, kMainSymbols)).ok()) return s;
    if (!(s = distance_.build(l + kMainSymbols, kDistanceSymbols)).ok()) return s;
    if (!(s = length_.build(l + kMainSymbols + kDistanceSymbols, kLengthSymbols)).ok()) return s;
  }
  st_.tablesRead = true;
  return Status::success();
}

Status V20Decoder::match(uint32_t distance, uint32_t length) {
  st_.lastLength = length;
  if (!window_.validDistance(distance)) return corrupt("match distance reaches before the start of the data");
  // A match never extends the member beyond its declared size.
  const uint64_t n = std::min<uint64_t>(length, remaining_);
  if (remaining_ != UINT64_MAX) remaining_ -= n;
  return window_.copyMatch(distance, static_cast<size_t>(n));
}

Status V20Decoder::decodeLz(BitReader& bits) {
  const int sym = main_.decode(bits);
  if (sym < 0) return corrupt("invalid symbol code");
  if (sym < 256) {
    if (remaining_ != UINT64_MAX) --remaining_;
    return window_.putByte(static_cast<uint8_t>(sym));
  }
  if (sym > kReadTables) {
    // A new distance with its length.
    const int slot = sym - 270;
    uint32_t length = kLengthBase[slot] + 3u + bits.read(kLengthBits[slot]);
    const int d = distance_.decode(bits);
    if (d < 0) return corrupt("invalid distance code");
    const uint32_t distance = kDistanceBase[d] + 1 + bits.read(kDistanceBits[d]);
    if (distance >= 0x2000) ++length;
    if (distance >= 0x40000) ++length;
    pushDistance(distance);
    return match(distance, length);
  }
  if (sym == kReadTables) return readTables(bits);
  if (sym == 256) {
    // The last match again.
    const uint32_t distance = st_.distances[0];
    pushDistance(distance);
    if (st_.lastLength == 0) return Status::success();
    return match(distance, st_.lastLength);
  }
  if (sym < 261) {
    // One of the four previous distances, with a new length.
    const uint32_t distance = st_.distances[sym - 257];
    pushDistance(distance);
    const int slot = length_.decode(bits);
    if (slot < 0) return corrupt("invalid length code");
    uint32_t length = kLengthBase[slot] + 2u + bits.read(kLengthBits[slot]);
    if (distance >= 0x101) ++length;
    if (distance >= 0x2000) ++length;
    if (distance >= 0x40000) ++length;
    return match(distance, length);
  }
  // 261..268: a short distance, length 2.
  const int slot = sym - 261;
  const uint32_t distance = kShortBase[slot] + 1u + bits.read(kShortBits[slot]);
  pushDistance(distance);
  return match(distance, 2);
}

Status V20Decoder::decodeAudio(BitReader& bits) {
  const int sym = audio_[st_.channel].decode(bits);
  if (sym < 0) return corrupt("invalid audio code");
  if (sym == kAudioReadTables) return readTables(bits);
  const uint8_t byte = st_.audioChannels[st_.channel].decode(static_cast<uint8_t>(sym), st_.channelDelta);
  if (++st_.channel >= st_.channels) st_.channel = 0;
  if (remaining_ != UINT64_MAX) --remaining_;
  return window_.putByte(byte);
}

void V20Decoder::peekTablesAtEnd(BitReader& bits) {
  // The encoder may end a member of a solid run with "new tables" and the
  // tables the next member starts with. Anything else left over is padding;
  // a table that does not read cleanly is padding too, and the old one stays.
  if (bits.exhausted()) return;
  const int sym = st_.audio ? audio_[st_.channel].decode(bits) : main_.decode(bits);
  if (bits.overrun() || sym != (st_.audio ? kAudioReadTables : kReadTables)) return;
  const State saved = st_;
  Status s = readTables(bits);
  if (!s.ok() || bits.overrun()) {
    st_ = saved;
    // Rebuilding what was built before cannot fail; if it did, the next
    // solid member would find no tables and fail cleanly.
    if (!buildTables().ok()) st_.tablesRead = false;
  }
}

}  // namespace

std::unique_ptr<Decoder> makeV20Decoder(const DecoderLimits& limits) { return std::make_unique<V20Decoder>(limits); }

}  // namespace rar::codec
