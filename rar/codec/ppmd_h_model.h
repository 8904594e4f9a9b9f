#pragma once
// The PPMd variant H context model (Dmitry Shkarin's public-domain design, in
// the layout RAR uses: 12-byte units, a text area below the units) and RAR's
// carryless range decoder. Private to ppmd_h.cpp and its tests.
//
// The model lives in one arena of the size the stream asks for; every link
// inside it is a 32-bit offset into the arena, so all structures are
// position-independent and no allocation happens after a reset.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "rar/codec/ppmd_h.h"

namespace rar::ppmd {

// RAR's range decoder: carryless, with a 2^24 top and 2^15 bottom.
class RangeDecoder {
 public:
  // Reads the 4 initial code bytes.
  void init(ByteInput& in);
  // Scales the range to `total` and returns the count the code falls on, or
  // UINT32_MAX when the range cannot be divided (corrupt data).
  uint32_t threshold(uint32_t total) {
    range_ /= total;
    if (range_ == 0) return UINT32_MAX;
    return (code_ - low_) / range_;
  }
  void decode(uint32_t start, uint32_t size, ByteInput& in) {
    low_ += start * range_;
    range_ *= size;
    normalize(in);
  }
  // True when the input ran out further than the coder's lookahead allows.
  bool overrun() const { return pastEnd_ > kLookahead; }

 private:
  static constexpr uint32_t kTop = 1u << 24;
  static constexpr uint32_t kBottom = 1u << 15;
  static constexpr uint32_t kLookahead = 4;
  void normalize(ByteInput& in);
  uint8_t nextByte(ByteInput& in);

  uint32_t low_ = 0, code_ = 0, range_ = 0;
  uint32_t pastEnd_ = 0;
};

class ContextModel {
 public:
  static constexpr int kMaxOrder = 64;
  ContextModel();
  ~ContextModel();

  // (Re)allocates the arena when its size changes, then restarts the model.
  // False when the memory cannot be had.
  bool reset(uint32_t memorySize, int maxOrder);
  bool ready() const { return arena_ != nullptr; }
  void release();

  // One symbol 0..255, or -1 on corrupt data.
  int decodeSymbol(RangeDecoder& rc, ByteInput& in);

 private:
  struct State;
  struct Context;
  struct See {
    uint16_t summ;
    uint8_t shift;
    uint8_t count;
  };

  // Arena access.
  uint8_t* at(uint32_t ref) const { return arena_.get() + ref; }
  uint32_t ref(const void* p) const;
  Context* context(uint32_t ref) const;
  State* stats(const Context* c) const;
  static State* oneState(Context* c);

  // Sub-allocator.
  void insertNode(void* node, unsigned index);
  void* removeNode(unsigned index);
  void splitBlock(void* ptr, unsigned oldIndex, unsigned newIndex);
  void glueFreeBlocks();
  void* allocUnitsRare(unsigned index);
  void* allocUnits(unsigned index);
  void* shrinkUnits(void* oldPtr, unsigned oldUnits, unsigned newUnits);
  Context* allocContext();

  // Model.
  void restart();
  Context* createSuccessors(bool skip);
  void updateModel();
  void rescale();
  See* makeEscapeFrequency(unsigned numMasked, uint32_t* escFreq);
  void nextContext();
  void update1();
  void update1First();
  void updateBinary();
  void update2();
  uint16_t* binarySummary();

  std::unique_ptr<uint8_t[]> arena_;
  uint32_t size_ = 0;
  uint32_t alignOffset_ = 0;
  uint8_t *text_ = nullptr, *unitsStart_ = nullptr, *loUnit_ = nullptr, *hiUnit_ = nullptr;
  uint32_t glueCount_ = 0;
  std::array<uint32_t, 38> freeList_{};
  std::array<uint8_t, 38> indexToUnits_{};
  std::array<uint8_t, 128> unitsToIndex_{};
  std::array<uint8_t, 256> ns2Index_{}, ns2BinIndex_{}, hb2Flag_{};

  Context* minContext_ = nullptr;
  Context* maxContext_ = nullptr;
  State* foundState_ = nullptr;
  int maxOrder_ = 0;
  int orderFall_ = 0;
  int32_t runLength_ = 0, initRunLength_ = 0;
  uint32_t prevSuccess_ = 0;
  uint32_t initEsc_ = 0;
  uint32_t hiBitsFlag_ = 0;
  See dummySee_{};
  See see_[25][16]{};
  uint16_t binSumm_[128][64]{};
};

}  // namespace rar::ppmd
