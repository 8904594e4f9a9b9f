#pragma once
// The filter records of the v29 method. RAR 3 carries filters as programs for
// its virtual machine; the RAR tool only ever emits six standard programs,
// which are recognised by the CRC32 and length of their code and run as
// native transforms (rar/codec/filters.h). Any other program is refused as
// unsupported rather than interpreted.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rar/status.h"

namespace rar::codec::rarvm {

enum class Program : uint8_t { e8, e8e9, itanium, delta, rgb, audio };

// The VM memory layout the standard programs assume: filters work on at most
// kWorkSize bytes; the ones that write their output after their input on at
// most half of it.
constexpr uint32_t kWorkSize = 0x3C000;
constexpr size_t kMaxPrograms = 1024;  // distinct programs per solid stream
constexpr size_t kMaxCodeSize = 0x10000;

// MSB-first reader over a filter record's bytes; reads past the end give
// zero bits and set overrun().
class RecordBits {
 public:
  RecordBits(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t read(unsigned n);  // n <= 32
  // The VM's variable-length number: a 2-bit prefix selects 4, 8 (with a
  // negative short form), 16 or 32 bits.
  uint32_t number();
  bool overrun() const { return pos_ > size_ * 8; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;  // in bits
};

// Identifies a program from its code bytes (first byte: XOR check of the rest).
// corruptData when the check fails, unsupported for a non-standard program.
Result<Program> identify(const uint8_t* code, size_t size);

// One decoded filter invocation, positions still relative to the write position.
struct Invocation {
  uint32_t program = 0;   // index into the stream's program list
  uint64_t start = 0;     // offset from the current write position
  uint32_t length = 0;
  uint32_t r[7] = {};     // initial registers R0..R6 (only R0, R1 matter to standard programs)
};

// The programs defined so far in a solid stream and the last block length
// used with each; parse() reads one record against this state.
class ProgramTable {
 public:
  void reset() {
    programs_.clear();
    lengths_.clear();
    last_ = 0;
  }
  // `record` is the record's flags byte followed by its data bytes.
  Status parse(const uint8_t* record, size_t size, Invocation& out);
  Program program(uint32_t index) const { return programs_[index]; }

 private:
  std::vector<Program> programs_;  // bounded by kMaxPrograms
  std::vector<uint32_t> lengths_;
  uint32_t last_ = 0;
};

}  // namespace rar::codec::rarvm
