#pragma once
// PPMd variant H context model with RAR's carryless range decoder, as used by
// the v29 method's PPMd blocks. The v29 decoder owns the byte stream and the
// escape handling; this model only turns coded bytes into characters.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "rar/status.h"

namespace rar::ppmd {

// Source of whole bytes for the range decoder.
class ByteInput {
 public:
  virtual ~ByteInput() = default;
  virtual int readByte() = 0;  // -1 at end of input
};

class ModelH {
 public:
  ModelH();
  ~ModelH();
  ModelH(const ModelH&) = delete;
  ModelH& operator=(const ModelH&) = delete;

  // Starts a PPMd block. `flags` is the 7-bit flags byte read after the PPMd
  // bit; when flags & 0x20 the caller has also read the memory byte and passes
  // it as memoryMb (model size = memoryMb + 1 MB). A reset allocates the model
  // (refusing more than maxMemory with Error::unsupported) and sets the order;
  // every block initialises the range decoder (reads 4 bytes). A block without
  // reset needs an existing model (else Error::corruptData).
  Status startBlock(uint8_t flags, uint8_t memoryMb, ByteInput& in, size_t maxMemory);

  // Next character 0..255, or -1 on a data error (the model is then poisoned).
  int decodeChar(ByteInput& in);

  // The escape character of the v29 stream (default 2); flags & 0x40 changes
  // it, the caller reads the new value and passes it here. It persists
  // across blocks.
  int escapeChar() const;
  void setEscapeChar(int c);

  // After an error: the next block must reset the model.
  void poison();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace rar::ppmd
