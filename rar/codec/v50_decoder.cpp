#include "rar/codec/v50_decoder.h"

#include <algorithm>
#include <new>

#include "rar/codec/filters.h"

namespace rar::codec {
namespace {

constexpr unsigned kMainSymbols = 306;
constexpr unsigned kAlignSymbols = 16;
constexpr unsigned kLengthSymbols = 44;
// Small dictionaries still get a window that holds a flush chunk plus the
// longest match; a filter block larger than the window grows it (readFilter).
constexpr uint64_t kMinWindow = 256 * 1024;
// Room kept free beyond a held-back filter block: more than the longest match.
constexpr uint64_t kWindowSlack = 0x4000;

Status corrupt(const char* what) { return Status(Error::corruptData, what); }

// Match length from a length slot (slot < 44).
uint32_t slotLength(unsigned slot, BitReader& br) {
  if (slot < 8) return 2 + slot;
  unsigned bits = slot / 4 - 1;
  return 2 + ((4 | (slot & 3)) << bits) + br.read(bits);
}

}  // namespace

Status V50Decoder::startMember(const MemberParams& params) {
  if (params.algorithmVersion > 1)
    return Status(Error::unsupported, "unknown RAR 5 algorithm version");
  if (params.solid && poisoned_)
    return corrupt("solid member after a failed member");
  if (params.dictionarySize == 0) return corrupt("zero dictionary size");
  if (params.dictionarySize > limits_.maxDictionary)
    return Status(Error::unsupported, "dictionary larger than the memory limit");

  unsigned codes = params.algorithmVersion == 1 ? 80 : 64;
  if (!params.solid) {
    window_.reset();
    dictionary_ = 0;
    tablesRead_ = false;
    reps_.fill(0);
    lastLength_ = 0;
  }
  if (codes != distanceCodes_) tablesRead_ = false;
  distanceCodes_ = codes;
  filters_.clear();
  dictionary_ = std::max(dictionary_, params.dictionarySize);
  Status s = window_.reserve(std::max(dictionary_, kMinWindow));
  if (!s.ok()) return s;

  memberStart_ = window_.pos();
  flushed_ = memberStart_;
  memberEnd_ = params.sizeKnown ? memberStart_ + params.unpackedSize : UINT64_MAX;
  if (memberEnd_ < memberStart_) return corrupt("unpacked size overflows");
  flushTrigger_ = flushed_ + window_.size() / 4;
  return Status::success();
}

Status V50Decoder::decode(const MemberParams& params, PackedInput& in, DecodedOutput& out) {
  if (params.family != Family::v50) return Status(Error::unsupported, "not a RAR 5 member");
  Status s = startMember(params);
  if (s.ok()) {
    auto br = std::make_unique<BitReader>(in);
    s = decodeMember(*br, out);
    if (!s.ok() && br->overrun() && !br->inputStatus().ok()) s = br->inputStatus();
  }
  poisoned_ = !s.ok();
  if (poisoned_) tablesRead_ = false;
  return s;
}

Status V50Decoder::readBlockHeader(BitReader& br, Block& block) {
  br.alignToByte();
  uint32_t flags = br.read(8);
  uint32_t check = br.read(8);
  unsigned sizeBytes = ((flags >> 3) & 3) + 1;
  if (sizeBytes == 4) return corrupt("bad block header size field");
  uint32_t size = 0;
  uint32_t sum = 0x5A ^ flags;
  for (unsigned i = 0; i < sizeBytes; ++i) {
    uint32_t b = br.read(8);
    sum ^= b;
    size |= b << (8 * i);
  }
  if (br.overrun()) return Status(Error::readFailed, "packed data ends inside a block header");
  if ((sum & 0xFF) != check) return corrupt("block header checksum mismatch");
  uint64_t start = br.position();
  block.endBit = size == 0 ? start : start + uint64_t(size - 1) * 8 + (flags & 7) + 1;
  block.last = (flags & 0x40) != 0;
  if (flags & 0x80) {
    Status s = readTables(br);
    if (!s.ok()) return s;
    if (br.position() > block.endBit) return corrupt("tables run past the block end");
  } else if (!tablesRead_) {
    return corrupt("block without tables and no earlier tables");
  }
  return Status::success();
}

Status V50Decoder::readTables(BitReader& br) {
  tablesRead_ = false;
  HuffmanTable levelTable;
  Status s = readLevelTable(br, levelTable);
  if (!s.ok()) return s;

  const unsigned total = kMainSymbols + distanceCodes_ + kAlignSymbols + kLengthSymbols;
  uint8_t lengths[kMainSymbols + 80 + kAlignSymbols + kLengthSymbols];
  for (unsigned i = 0; i < total;) {
    int sym = levelTable.decode(br);
    if (br.overrun()) return Status(Error::readFailed, "packed data ends inside the tables");
    if (sym < 0) return corrupt("bad code in the table lengths");
    if (sym < 16) {
      lengths[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    unsigned count = (sym & 1) == 0 ? 3 + br.read(3) : 11 + br.read(7);
    uint8_t value = 0;
    if (sym < 18) {
      if (i == 0) return corrupt("table starts with a repeat of the previous length");
      value = lengths[i - 1];
    }
    for (; count > 0 && i < total; --count) lengths[i++] = value;
  }
  if (br.overrun()) return Status(Error::readFailed, "packed data ends inside the tables");
  const uint8_t* p = lengths;
  if (!(s = main_.build(p, kMainSymbols)).ok()) return s;
  p += kMainSymbols;
  if (!(s = distance_.build(p, distanceCodes_)).ok()) return s;
  p += distanceCodes_;
  if (!(s = align_.build(p, kAlignSymbols)).ok()) return s;
  p += kAlignSymbols;
  if (!(s = length_.build(p, kLengthSymbols)).ok()) return s;
  tablesRead_ = true;
  return Status::success();
}

Status V50Decoder::readFilter(BitReader& br) {
  auto number = [&br]() {
    unsigned bytes = br.read(2) + 1;
    uint32_t v = 0;
    for (unsigned i = 0; i < bytes; ++i) v |= br.read(8) << (8 * i);
    return v;
  };
  uint64_t start = window_.pos() + number();
  uint32_t size = number();
  unsigned type = br.read(3);
  unsigned channels = 0;
  if (type == unsigned(FilterType::delta)) channels = br.read(5) + 1;
  if (type > unsigned(FilterType::arm)) return Status(Error::unsupported, "unknown RAR 5 filter type");
  if (size > kMaxFilterSize) return corrupt("filter block larger than 4 MB");
  if (filters_.size() >= kMaxPendingFilters) return corrupt("too many pending filters");
  if (!filters_.empty() && start < filters_.back().start + filters_.back().size)
    return corrupt("filter overlaps the previous filter");
  if (size == 0) return Status::success();
  // Until the whole block is decoded its bytes stay in the window unflushed.
  if (size + kWindowSlack > window_.size()) {
    Status s = window_.reserve(size + kWindowSlack);
    if (!s.ok()) return s;
  }
  filters_.push_back(Filter{start, size, FilterType(type), static_cast<uint8_t>(channels)});
  return Status::success();
}

Status V50Decoder::runFilter(const Filter& f, DecodedOutput& out) {
  // Buffers grow to the largest block seen (at most kMaxFilterSize).
  if (filterIn_.size() < f.size) {
    filterIn_.resize(f.size);
    filterOut_.resize(f.size);
  }
  uint8_t* data = filterIn_.data();
  window_.copyOut(f.start, f.size, data);
  uint64_t fileOffset = f.start - memberStart_;
  switch (f.type) {
    case FilterType::e8: filters::x86v5(data, f.size, fileOffset, false); break;
    case FilterType::e8e9: filters::x86v5(data, f.size, fileOffset, true); break;
    case FilterType::arm: filters::arm(data, f.size, fileOffset); break;
    case FilterType::delta:
      filters::delta(data, filterOut_.data(), f.size, f.channels);
      data = filterOut_.data();
      break;
  }
  // Only the member's own bytes go out (a filter may not reach past its end).
  size_t n = f.size;
  if (f.start + n > memberEnd_) n = static_cast<size_t>(memberEnd_ - f.start);
  return out.write(data, n);
}

Status V50Decoder::flush(uint64_t limit, DecodedOutput& out) {
  Status s;
  while (!filters_.empty()) {
    const Filter& f = filters_.front();
    if (f.start >= limit) break;
    if (!(s = window_.write(flushed_, f.start, out)).ok()) return s;
    flushed_ = f.start;
    if (f.start + f.size > limit) {
      // Incomplete: hold its data back until the whole block is decoded.
      flushTrigger_ = f.start + f.size;
      if (window_.pos() - flushed_ > window_.size() - kWindowSlack / 2)
        return corrupt("filter block does not fit the window");
      return Status::success();
    }
    if (!(s = runFilter(f, out)).ok()) return s;
    flushed_ = f.start + f.size;
    filters_.pop_front();
  }
  if (limit > flushed_) {
    if (!(s = window_.write(flushed_, limit, out)).ok()) return s;
    flushed_ = limit;
  }
  flushTrigger_ = flushed_ + window_.size() / 4;
  return Status::success();
}

Status V50Decoder::decodeMember(BitReader& br, DecodedOutput& out) {
  // An empty file may come with no packed data at all.
  if (memberEnd_ == memberStart_ && br.exhausted()) return Status::success();
  Block block{};
  Status s = readBlockHeader(br, block);
  if (!s.ok()) return s;

  const uint64_t end = memberEnd_;
  const uint64_t maxDistance = dictionary_;
  while (window_.pos() < end) {
    if (br.position() >= block.endBit) {
      if (br.position() > block.endBit) return corrupt("symbol runs past the block end");
      if (block.last) break;
      if (!(s = readBlockHeader(br, block)).ok()) return s;
      continue;
    }
    if (br.overrun()) return Status(Error::readFailed, "packed data ends early");
    if (window_.pos() >= flushTrigger_) {
      if (!(s = flush(window_.pos(), out)).ok()) return s;
    }

    int sym = main_.decode(br);
    if (sym < 256) {
      if (sym < 0) return corrupt("bad code in the literal/length table");
      window_.putByte(static_cast<uint8_t>(sym));
      continue;
    }
    uint32_t length;
    uint64_t distance;
    if (sym >= 262) {
      length = slotLength(sym - 262, br);
      int slot = distance_.decode(br);
      if (slot < 0) return corrupt("bad code in the distance table");
      if (slot < 4) {
        distance = 1 + slot;
      } else {
        unsigned bits = slot / 2 - 1;
        uint64_t extra;
        if (bits >= 4) {
          uint64_t high = bits > 4 ? br.read64(bits - 4) : 0;
          int low = align_.decode(br);
          if (low < 0) return corrupt("bad code in the alignment table");
          extra = high << 4 | unsigned(low);
        } else {
          extra = br.read(bits);
        }
        distance = 1 + (uint64_t(2 | (slot & 1)) << bits) + extra;
      }
      if (distance > 0x100) {
        ++length;
        if (distance > 0x2000) {
          ++length;
          if (distance > 0x40000) ++length;
        }
      }
      reps_[3] = reps_[2];
      reps_[2] = reps_[1];
      reps_[1] = reps_[0];
      reps_[0] = distance;
    } else if (sym == 256) {
      if (!(s = readFilter(br)).ok()) return s;
      continue;
    } else if (sym == 257) {
      if (lastLength_ == 0) continue;
      length = lastLength_;
      distance = reps_[0];
    } else {
      unsigned index = sym - 258;
      distance = reps_[index];
      for (; index > 0; --index) reps_[index] = reps_[index - 1];
      reps_[0] = distance;
      int slot = length_.decode(br);
      if (slot < 0) return corrupt("bad code in the length table");
      length = slotLength(slot, br);
    }
    lastLength_ = length;
    if (distance == 0 || distance > maxDistance || distance > window_.history())
      return corrupt("match distance beyond the data decoded so far");
    uint64_t room = end - window_.pos();
    window_.copyMatch(static_cast<size_t>(distance), length < room ? length : static_cast<size_t>(room));
  }
  if (br.overrun()) return Status(Error::readFailed, "packed data ends early");
  if (end != UINT64_MAX && window_.pos() < end) return corrupt("compressed data ends before the file does");
  uint64_t last = std::min(end, window_.pos());
  if (!(s = flush(last, out)).ok()) return s;
  if (flushed_ != last) return corrupt("filter runs past the end of the file");
  return Status::success();
}

}  // namespace rar::codec
