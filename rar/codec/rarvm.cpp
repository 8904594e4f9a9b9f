#include "rar/codec/rarvm.h"

#include "rar/checksum/crc32.h"

#include <array>

namespace rar::codec::rarvm {
namespace {

struct Known {
  uint32_t size;
  uint32_t crc;
  Program program;
};
// Code length and CRC32 of the six programs the RAR tool emits.
constexpr Known kStandard[] = {
    {53, 0xAD576887u, Program::e8},    {57, 0x3CD7E57Eu, Program::e8e9},
    {120, 0x3769893Fu, Program::itanium}, {29, 0x0E06077Du, Program::delta},
    {149, 0x1C2C5DC8u, Program::rgb},  {216, 0xBC85E701u, Program::audio},
};

Status corrupt(const char* what) { return Status(Error::corruptData, what); }

}  // namespace

uint32_t RecordBits::read(unsigned n) {
  uint32_t v = 0;
  for (unsigned i = 0; i < n; ++i, ++pos_) {
    unsigned bit = pos_ < size_ * 8 ? (data_[pos_ / 8] >> (7 - pos_ % 8)) & 1 : 0;
    v = v << 1 | bit;
  }
  if (pos_ > size_ * 8) pos_ = size_ * 8 + 1;  // remember the overrun, stay bounded
  return v;
}

uint32_t RecordBits::number() {
  switch (read(2)) {
    case 0: return read(4);
    case 1: {
      uint32_t high = read(4);
      if (high == 0) return 0xFFFFFF00u | read(8);
      return high << 4 | read(4);
    }
    case 2: return read(16);
    default: return read(32);
  }
}

Result<Program> identify(const uint8_t* code, size_t size) {
  if (size == 0 || size > kMaxCodeSize) return corrupt("filter program size out of range");
  uint8_t x = 0;
  for (size_t i = 0; i < size; ++i) x ^= code[i];
  if (x != 0) return corrupt("filter program check byte mismatch");
  uint32_t crc = crc32(code, size);
  for (const Known& k : kStandard)
    if (k.size == size && k.crc == crc) return k.program;
  return Status(Error::unsupported, "non-standard RAR VM filter program");
}

Status ProgramTable::parse(const uint8_t* record, size_t size, Invocation& out) {
  if (size == 0) return corrupt("empty filter record");
  const uint8_t flags = record[0];
  RecordBits bits(record + 1, size - 1);

  uint32_t index = last_;
  if (flags & 0x80) {
    uint32_t n = bits.number();
    if (n == 0) {
      reset();
      index = 0;
    } else {
      index = n - 1;
    }
  }
  if (index > programs_.size() || index >= kMaxPrograms) return corrupt("filter number out of range");
  const bool isNew = index == programs_.size();

  out.program = index;
  out.start = bits.number();
  if (flags & 0x40) out.start += 258;
  if (flags & 0x20) {
    out.length = bits.number();
  } else {
    out.length = isNew ? 0 : lengths_[index];
  }
  for (uint32_t& r : out.r) r = 0;
  if (flags & 0x10) {
    uint32_t mask = bits.read(7);
    for (unsigned i = 0; i < 7; ++i)
      if (mask & (1u << i)) out.r[i] = bits.number();
  }
  if (isNew) {
    uint32_t codeSize = bits.number();
    if (codeSize == 0 || codeSize > kMaxCodeSize) return corrupt("filter program size out of range");
    std::vector<uint8_t> code(codeSize);
    for (uint8_t& b : code) b = static_cast<uint8_t>(bits.read(8));
    if (bits.overrun()) return corrupt("filter record too short");
    Result<Program> p = identify(code.data(), code.size());
    if (!p.ok()) return p.status();
    programs_.push_back(*p);
    lengths_.push_back(0);
  }
  if (flags & 0x08) {
    // Global data for the program: the standard programs do not use it.
    uint32_t globalSize = bits.number();
    if (globalSize > 0x2000 - 0x40) return corrupt("filter global data too large");
    for (uint32_t i = 0; i < globalSize; ++i) bits.read(8);
  }
  if (bits.overrun()) return corrupt("filter record too short");
  lengths_[index] = out.length;
  last_ = index;
  return Status::success();
}

}  // namespace rar::codec::rarvm
