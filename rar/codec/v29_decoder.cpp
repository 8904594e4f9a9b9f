#include "rar/codec/v29_decoder.h"

#include <algorithm>
#include <new>

#include "rar/codec/filters.h"

namespace rar::codec {
namespace {

constexpr unsigned kMainSymbols = 299;
constexpr unsigned kDistanceSymbols = 60;
constexpr unsigned kLowDistanceSymbols = 17;
constexpr unsigned kLengthSymbols = 28;
constexpr unsigned kTableSize = kMainSymbols + kDistanceSymbols + kLowDistanceSymbols + kLengthSymbols;
// Small dictionaries still get room for a whole filter block (held back
// until complete), a flush chunk and the longest match.
constexpr uint64_t kMinWindow = 512 * 1024;

// RAR 3 length slots: base and extra bits (same table as RAR 2).
constexpr uint8_t kLengthBase[kLengthSymbols] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                                 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kLengthBits[kLengthSymbols] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
// RAR 3 distance slots: base and extra bits.
constexpr uint32_t kDistanceBase[kDistanceSymbols] = {
    0,       1,       2,       3,       4,       6,       8,       12,      16,      24,      32,      48,
    64,      96,      128,     192,     256,     384,     512,     768,     1024,    1536,    2048,    3072,
    4096,    6144,    8192,    12288,   16384,   24576,   32768,   49152,   65536,   98304,   131072,  196608,
    262144,  327680,  393216,  458752,  524288,  589824,  655360,  720896,  786432,  851968,  917504,  983040,
    1048576, 1310720, 1572864, 1835008, 2097152, 2359296, 2621440, 2883584, 3145728, 3407872, 3670016, 3932160};
constexpr uint8_t kDistanceBits[kDistanceSymbols] = {
    0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,
    9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16,
    16, 16, 16, 16, 16, 16, 16, 16, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18, 18};
// Short distances of symbols 263..270 (length 2).
constexpr uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

Status corrupt(const char* what) { return Status(Error::corruptData, what); }

}  // namespace

// Whole bytes for the PPMd range decoder, taken from the bit stream.
class V29Decoder::PpmInput : public ppmd::ByteInput {
 public:
  explicit PpmInput(BitReader& br) : br_(br) {}
  int readByte() override {
    int b = br_.readByte();
    if (b < 0) ended = true;
    return b;
  }
  bool ended = false;

 private:
  BitReader& br_;
};

V29Decoder::V29Decoder(const DecoderLimits& limits) : limits_(limits), ppmd_(std::make_unique<ppmd::ModelH>()) {}
V29Decoder::~V29Decoder() = default;

Status V29Decoder::startMember(const MemberParams& params) {
  if (params.solid && poisoned_) return corrupt("solid member after a failed member");
  if (params.dictionarySize == 0) return corrupt("zero dictionary size");
  if (params.dictionarySize > limits_.maxDictionary)
    return Status(Error::unsupported, "dictionary larger than the memory limit");
  if (!params.solid) {
    window_.reset();
    tablesRead_ = false;
    ppmMode_ = false;
    oldLengths_.fill(0);
    reps_.fill(0);
    lastLength_ = 0;
    programs_.reset();
    filters_.clear();
    ppmd_->poison();
    ppmd_->setEscapeChar(2);
  }
  Status s = window_.reserve(std::max<uint64_t>(params.dictionarySize, kMinWindow));
  if (!s.ok()) return s;
  memberStart_ = window_.pos();
  flushed_ = memberStart_;
  memberEnd_ = params.sizeKnown ? memberStart_ + params.unpackedSize : UINT64_MAX;
  if (memberEnd_ < memberStart_) return corrupt("unpacked size overflows");
  flushTrigger_ = flushed_ + window_.size() / 4;
  return Status::success();
}

Status V29Decoder::decode(const MemberParams& params, PackedInput& in, DecodedOutput& out) {
  if (params.family != Family::v29) return Status(Error::unsupported, "not a RAR 2.9 member");
  Status s = startMember(params);
  damagedTail_ = false;
  if (s.ok()) {
    auto br = std::make_unique<BitReader>(in);
    s = decodeMember(*br, out);
    if (!s.ok() && br->overrun() && !br->inputStatus().ok()) s = br->inputStatus();
  }
  poisoned_ = !s.ok() || damagedTail_;
  if (poisoned_) {
    tablesRead_ = false;
    ppmd_->poison();
  }
  return s;
}

Status V29Decoder::readTables(BitReader& br) {
  tablesRead_ = false;
  br.alignToByte();
  if (br.read(1)) {
    uint8_t flags = static_cast<uint8_t>(br.read(7));
    uint8_t memory = 0;
    if (flags & 0x20) memory = static_cast<uint8_t>(br.read(8));
    if (flags & 0x40) ppmd_->setEscapeChar(static_cast<int>(br.read(8)));
    if (br.overrun()) return Status(Error::readFailed, "packed data ends inside a PPMd block header");
    PpmInput input(br);
    Status s = ppmd_->startBlock(flags, memory, input, static_cast<size_t>(std::min<uint64_t>(limits_.maxDictionary, SIZE_MAX)));
    if (!s.ok()) return s;
    ppmMode_ = true;
    tablesRead_ = true;
    return Status::success();
  }
  ppmMode_ = false;
  if (br.read(1) == 0) oldLengths_.fill(0);

  HuffmanTable levelTable;
  Status s = readLevelTable(br, levelTable);
  if (!s.ok()) return s;

  std::array<uint8_t, kTableSize> lengths;
  for (unsigned i = 0; i < kTableSize;) {
    int sym = levelTable.decode(br);
    if (br.overrun()) return Status(Error::readFailed, "packed data ends inside the tables");
    if (sym < 0) return corrupt("bad code in the table lengths");
    if (sym < 16) {
      lengths[i] = static_cast<uint8_t>((oldLengths_[i] + sym) & 15);
      ++i;
      continue;
    }
    unsigned count = (sym & 1) == 0 ? 3 + br.read(3) : 11 + br.read(7);
    uint8_t value = 0;
    if (sym < 18) {
      if (i == 0) return corrupt("table starts with a repeat of the previous length");
      value = lengths[i - 1];
    }
    for (; count > 0 && i < kTableSize; --count) lengths[i++] = value;
  }
  if (br.overrun()) return Status(Error::readFailed, "packed data ends inside the tables");
  oldLengths_ = lengths;
  const uint8_t* p = lengths.data();
  if (!(s = main_.build(p, kMainSymbols)).ok()) return s;
  p += kMainSymbols;
  if (!(s = distance_.build(p, kDistanceSymbols)).ok()) return s;
  p += kDistanceSymbols;
  if (!(s = lowDistance_.build(p, kLowDistanceSymbols)).ok()) return s;
  p += kLowDistanceSymbols;
  if (!(s = length_.build(p, kLengthSymbols)).ok()) return s;
  lowDistance_repeats_ = 0;
  lastLowDistance_ = 0;
  tablesRead_ = true;
  return Status::success();
}

Status V29Decoder::addFilter(const uint8_t* record, size_t size) {
  rarvm::Invocation inv;
  Status s = programs_.parse(record, size, inv);
  if (!s.ok()) return s;
  rarvm::Program program = programs_.program(inv.program);
  const bool inPlace = program == rarvm::Program::e8 || program == rarvm::Program::e8e9 ||
                       program == rarvm::Program::itanium;
  const uint32_t maxLength = inPlace ? rarvm::kWorkSize : rarvm::kWorkSize / 2;
  if (inv.length > maxLength) return corrupt("filter block larger than the filter memory");
  switch (program) {
    case rarvm::Program::delta:
      if (inv.r[0] < 1 || inv.r[0] > 1024) return corrupt("delta filter channel count out of range");
      break;
    case rarvm::Program::audio:
      if (inv.r[0] < 1 || inv.r[0] > 1024) return corrupt("audio filter channel count out of range");
      break;
    case rarvm::Program::rgb:
      if (inv.length < 3 || inv.r[0] < 3 || inv.r[0] - 3 > inv.length || inv.r[1] > 2)
        return corrupt("RGB filter parameters out of range");
      break;
    default: break;
  }
  if (filters_.size() >= kMaxPendingFilters) return corrupt("too many pending filters");
  Filter f{window_.pos() + inv.start, inv.length, program, inv.r[0], inv.r[1]};
  if (!filters_.empty()) {
    const Filter& prev = filters_.back();
    bool chained = f.start == prev.start && f.length == prev.length;
    if (!chained && f.start < prev.start + prev.length) return corrupt("filter overlaps the previous filter");
  }
  if (f.length == 0) return Status::success();
  filters_.push_back(f);
  return Status::success();
}

Status V29Decoder::runFilters(DecodedOutput& out) {
  if (!filterA_) {
    filterA_.reset(new (std::nothrow) uint8_t[rarvm::kWorkSize]);
    filterB_.reset(new (std::nothrow) uint8_t[rarvm::kWorkSize]);
    if (!filterA_ || !filterB_) {
      filterA_.reset();
      return Status(Error::unsupported, "not enough memory for filters");
    }
  }
  const Filter first = filters_.front();
  uint8_t* data = filterA_.get();
  uint8_t* spare = filterB_.get();
  window_.copyOut(first.start, first.length, data);
  const uint32_t fileOffset = static_cast<uint32_t>(first.start - memberStart_);
  // Run the chain of filters on the same block, each on the previous output.
  while (!filters_.empty() && filters_.front().start == first.start && filters_.front().length == first.length) {
    const Filter f = filters_.front();
    filters_.pop_front();
    switch (f.program) {
      case rarvm::Program::e8: filters::x86v3(data, f.length, fileOffset, false); break;
      case rarvm::Program::e8e9: filters::x86v3(data, f.length, fileOffset, true); break;
      case rarvm::Program::itanium: filters::itanium(data, f.length, fileOffset); break;
      case rarvm::Program::delta: filters::delta(data, spare, f.length, f.r0); std::swap(data, spare); break;
      case rarvm::Program::rgb: filters::rgb(data, spare, f.length, f.r0, f.r1); std::swap(data, spare); break;
      case rarvm::Program::audio: filters::audio(data, spare, f.length, f.r0); std::swap(data, spare); break;
    }
  }
  size_t n = first.length;
  if (first.start + n > memberEnd_) n = static_cast<size_t>(memberEnd_ - first.start);
  return out.write(data, n);
}

Status V29Decoder::flush(uint64_t limit, DecodedOutput& out) {
  Status s;
  while (!filters_.empty()) {
    const Filter& f = filters_.front();
    if (f.start >= limit) break;
    if (f.start < flushed_) return corrupt("filter starts inside data already written");
    if (!(s = window_.write(flushed_, f.start, out)).ok()) return s;
    flushed_ = f.start;
    if (f.start + f.length > limit) {
      flushTrigger_ = f.start + f.length;
      return Status::success();
    }
    uint64_t end = f.start + f.length;
    if (!(s = runFilters(out)).ok()) return s;
    flushed_ = end;
  }
  if (limit > flushed_) {
    if (!(s = window_.write(flushed_, limit, out)).ok()) return s;
    flushed_ = limit;
  }
  flushTrigger_ = flushed_ + window_.size() / 4;
  return Status::success();
}

Status V29Decoder::decodeMember(BitReader& br, DecodedOutput& out) {
  Status s;
  // An empty file may come with no packed data at all.
  if (memberEnd_ == memberStart_ && br.exhausted()) return Status::success();
  if (!tablesRead_ && !(s = readTables(br)).ok()) return s;
  bool endOfFile = false;
  while (!endOfFile) {
    s = ppmMode_ ? decodePpm(br, out, endOfFile) : decodeLz(br, out, endOfFile);
    if (!s.ok()) {
      if (window_.pos() < memberEnd_ || (s.error() != Error::corruptData && s.error() != Error::readFailed))
        return s;
      // The file's bytes are all there; what failed is the stream after
      // them (its end marker). The file stands or falls by its checksum,
      // but no later solid member may build on this state.
      damagedTail_ = true;
      break;
    }
  }
  const uint64_t end = memberEnd_;
  if (end != UINT64_MAX && window_.pos() < end) {
    if (br.overrun()) return Status(Error::readFailed, "packed data ends early");
    return corrupt("compressed data ends before the file does");
  }
  uint64_t last = std::min(end, window_.pos());
  if (!(s = flush(last, out)).ok()) return s;
  if (flushed_ != last) return corrupt("filter runs past the end of the file");
  // Filters of data beyond this file belong to no file.
  while (!filters_.empty() && filters_.front().start < last) filters_.pop_front();
  return Status::success();
}

// Decodes LZ symbols until the end of the file, a switch to PPMd, or an error.
// The file's data ends at memberEnd_; the stream normally follows it with an
// end-of-file marker that also says whether the next solid file starts with
// new tables, so decoding goes on to that marker when it is there.
Status V29Decoder::decodeLz(BitReader& br, DecodedOutput& out, bool& endOfFile) {
  Status s;
  const uint64_t end = memberEnd_;
  for (;;) {
    if (br.overrun()) {
      if (window_.pos() >= end) break;  // complete; the marker was cut off
      return Status(Error::readFailed, "packed data ends early");
    }
    if (window_.pos() >= end && br.exhausted()) break;
    if (window_.pos() >= flushTrigger_) {
      if (!(s = flush(std::min(window_.pos(), end), out)).ok()) return s;
    }
    int sym = main_.decode(br);
    if (sym < 256) {
      if (sym < 0) return corrupt("bad code in the literal/length table");
      window_.putByte(static_cast<uint8_t>(sym));
      continue;
    }
    uint32_t length;
    uint64_t distance;
    if (sym >= 271) {
      unsigned slot = sym - 271;
      length = kLengthBase[slot] + 3 + br.read(kLengthBits[slot]);
      int dslot = distance_.decode(br);
      if (dslot < 0) return corrupt("bad code in the distance table");
      distance = kDistanceBase[dslot] + 1;
      unsigned bits = kDistanceBits[dslot];
      if (bits >= 4) {
        if (bits > 4) distance += br.read(bits - 4) << 4;
        if (lowDistance_repeats_ > 0) {
          --lowDistance_repeats_;
          distance += lastLowDistance_;
        } else {
          int low = lowDistance_.decode(br);
          if (low < 0) return corrupt("bad code in the low distance table");
          if (low == 16) {
            lowDistance_repeats_ = 15;
            distance += lastLowDistance_;
          } else {
            distance += unsigned(low);
            lastLowDistance_ = unsigned(low);
          }
        }
      } else {
        distance += br.read(bits);
      }
      if (distance >= 0x2000) {
        ++length;
        if (distance >= 0x40000) ++length;
      }
      reps_ = {distance, reps_[0], reps_[1], reps_[2]};
    } else if (sym >= 263) {
      unsigned slot = sym - 263;
      distance = kShortBase[slot] + 1 + br.read(kShortBits[slot]);
      length = 2;
      reps_ = {distance, reps_[0], reps_[1], reps_[2]};
    } else if (sym >= 259) {
      unsigned index = sym - 259;
      distance = reps_[index];
      for (; index > 0; --index) reps_[index] = reps_[index - 1];
      reps_[0] = distance;
      int slot = length_.decode(br);
      if (slot < 0) return corrupt("bad code in the length table");
      length = kLengthBase[slot] + 2 + br.read(kLengthBits[slot]);
    } else if (sym == 258) {
      if (lastLength_ == 0) continue;
      length = lastLength_;
      distance = reps_[0];
    } else if (sym == 257) {
      unsigned flags = br.read(8);
      size_t size = (flags & 7) + 1;
      if (size == 7) size = br.read(8) + 7;
      else if (size == 8) size = br.read(16);
      record_.resize(size + 1);
      record_[0] = static_cast<uint8_t>(flags);
      for (size_t i = 1; i <= size; ++i) record_[i] = static_cast<uint8_t>(br.read(8));
      if (br.overrun()) return Status(Error::readFailed, "packed data ends inside a filter record");
      if (!(s = addFilter(record_.data(), record_.size())).ok()) return s;
      continue;
    } else {  // 256: end of block
      if (br.read(1)) {
        if (!(s = readTables(br)).ok()) return s;
        if (ppmMode_) return Status::success();
        continue;
      }
      tablesRead_ = br.read(1) == 0;
      endOfFile = true;
      return Status::success();
    }
    lastLength_ = length;
    if (!(s = copyMatch(distance, length)).ok()) return s;
  }
  endOfFile = true;
  return Status::success();
}

// PPMd counterpart of decodeLz: characters, with the escape character
// introducing end of block/file, filter records and matches.
Status V29Decoder::decodePpm(BitReader& br, DecodedOutput& out, bool& endOfFile) {
  Status s;
  const uint64_t end = memberEnd_;
  PpmInput input(br);
  auto next = [&]() { return ppmd_->decodeChar(input); };
  for (;;) {
    if (window_.pos() >= flushTrigger_) {
      if (!(s = flush(std::min(window_.pos(), end), out)).ok()) return s;
    }
    int c = next();
    if (c < 0 || input.ended) {
      if (window_.pos() >= end) break;  // complete; no end marker followed
      return c < 0 ? corrupt("bad PPMd data") : Status(Error::readFailed, "packed data ends early");
    }
    if (c != ppmd_->escapeChar()) {
      window_.putByte(static_cast<uint8_t>(c));
      continue;
    }
    int code = next();
    if (code < 0) return corrupt("bad PPMd data");
    switch (code) {
      case 0:  // new tables
        if (!(s = readTables(br)).ok()) return s;
        if (!ppmMode_) return Status::success();
        input.ended = false;
        break;
      case 2:  // end of file; the next solid file starts with new tables
        tablesRead_ = false;
        endOfFile = true;
        return Status::success();
      case 3: {  // filter record
        int flags = next();
        if (flags < 0) return corrupt("bad PPMd data");
        size_t size = (flags & 7) + 1;
        if (size == 7) {
          int b = next();
          if (b < 0) return corrupt("bad PPMd data");
          size = size_t(b) + 7;
        } else if (size == 8) {
          int hi = next();
          int lo = next();
          if (hi < 0 || lo < 0) return corrupt("bad PPMd data");
          size = size_t(hi) << 8 | size_t(lo);
        }
        record_.resize(size + 1);
        record_[0] = static_cast<uint8_t>(flags);
        for (size_t i = 1; i <= size; ++i) {
          int b = next();
          if (b < 0) return corrupt("bad PPMd data");
          record_[i] = static_cast<uint8_t>(b);
        }
        if (!(s = addFilter(record_.data(), record_.size())).ok()) return s;
        break;
      }
      case 4: {  // match: 3-byte distance, 1-byte length
        uint32_t distance = 0;
        for (int i = 0; i < 3; ++i) {
          int b = next();
          if (b < 0) return corrupt("bad PPMd data");
          distance = distance << 8 | uint32_t(b);
        }
        int len = next();
        if (len < 0) return corrupt("bad PPMd data");
        if (!(s = copyMatch(uint64_t(distance) + 2, uint32_t(len) + 32)).ok()) return s;
        break;
      }
      case 5: {  // run of the previous byte
        int len = next();
        if (len < 0) return corrupt("bad PPMd data");
        if (!(s = copyMatch(1, uint32_t(len) + 4)).ok()) return s;
        break;
      }
      default: window_.putByte(static_cast<uint8_t>(ppmd_->escapeChar())); break;
    }
  }
  endOfFile = true;
  return Status::success();
}

}  // namespace rar::codec
