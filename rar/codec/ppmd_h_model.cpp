// The model's structures overlay each other inside one arena (a free block's
// header occupies the same bytes a context or a state list used), so this
// file is compiled with -fno-strict-aliasing; see CMakeLists.txt.

#include "rar/codec/ppmd_h_model.h"

#include <cstring>
#include <new>

namespace rar::ppmd {
namespace {

constexpr uint32_t kUnitSize = 12;
constexpr unsigned kMaxFreq = 124;
constexpr unsigned kIntBits = 7;
constexpr unsigned kPeriodBits = 7;
constexpr uint32_t kBinScale = 1u << (kIntBits + kPeriodBits);
constexpr unsigned kNumIndexes = 38;

// Initial escape estimates of the binary contexts and the escape-to-InitEsc
// map: fixed tables of PPMd variant H (as in libarchive's archive_ppmd7.c).
constexpr uint16_t kInitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x64A1, 0x5ABC, 0x6632, 0x6051};
constexpr uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

uint32_t units2Bytes(uint32_t units) { return units * kUnitSize; }

uint32_t meanOf(uint32_t summ) { return (summ + (1u << (kPeriodBits - 2))) >> kPeriodBits; }

}  // namespace

// ---------------------------------------------------------------- range decoder

uint8_t RangeDecoder::nextByte(ByteInput& in) {
  const int b = in.readByte();
  if (b >= 0) return static_cast<uint8_t>(b);
  if (pastEnd_ <= kLookahead) ++pastEnd_;
  return 0;
}

void RangeDecoder::init(ByteInput& in) {
  low_ = 0;
  range_ = 0xFFFFFFFFu;
  code_ = 0;
  pastEnd_ = 0;
  for (int i = 0; i < 4; ++i) code_ = (code_ << 8) | nextByte(in);
}

void RangeDecoder::normalize(ByteInput& in) {
  // Terminates: once range_ is below the bottom it is replaced by a non-zero
  // value (low_ & 0x7FFF cannot be 0 there) that grows 256-fold per byte.
  for (;;) {
    if ((low_ ^ (low_ + range_)) >= kTop) {
      if (range_ >= kBottom) break;
      range_ = (0u - low_) & (kBottom - 1);
    }
    code_ = (code_ << 8) | nextByte(in);
    range_ <<= 8;
    low_ <<= 8;
  }
}

// ---------------------------------------------------------------- structures

struct ContextModel::State {
  uint8_t symbol;
  uint8_t freq;
  uint16_t successorLow;
  uint16_t successorHigh;
  uint32_t successor() const { return successorLow | (static_cast<uint32_t>(successorHigh) << 16); }
  void setSuccessor(uint32_t v) {
    successorLow = static_cast<uint16_t>(v & 0xFFFF);
    successorHigh = static_cast<uint16_t>(v >> 16);
  }
};

struct ContextModel::Context {
  uint16_t numStats;
  uint16_t summFreq;  // with `stats`, the single state of a binary context
  uint32_t stats;
  uint32_t suffix;
};

namespace {
// A free block while the allocator glues neighbours together.
struct Node {
  uint16_t stamp;  // overlays Context::numStats / State::symbol+freq: 0 = free
  uint16_t nu;
  uint32_t next;
  uint32_t prev;
};
}  // namespace

static_assert(sizeof(Node) == kUnitSize);

ContextModel::ContextModel() {
  static_assert(sizeof(State) == 6 && sizeof(Context) == kUnitSize);
  for (unsigned i = 0, k = 0; i < kNumIndexes; ++i) {
    unsigned step = i >= 12 ? 4 : (i >> 2) + 1;
    do {
      unitsToIndex_[k++] = static_cast<uint8_t>(i);
    } while (--step);
    indexToUnits_[i] = static_cast<uint8_t>(k);
  }
  ns2BinIndex_[0] = 0 << 1;
  ns2BinIndex_[1] = 1 << 1;
  std::memset(ns2BinIndex_.data() + 2, 2 << 1, 9);
  std::memset(ns2BinIndex_.data() + 11, 3 << 1, 256 - 11);
  unsigned i = 0;
  for (; i < 3; ++i) ns2Index_[i] = static_cast<uint8_t>(i);
  for (unsigned m = i, k = 1; i < 256; ++i) {
    ns2Index_[i] = static_cast<uint8_t>(m);
    if (--k == 0) k = (++m) - 2;
  }
  std::memset(hb2Flag_.data(), 0, 0x40);
  std::memset(hb2Flag_.data() + 0x40, 8, 0x100 - 0x40);
}

ContextModel::~ContextModel() = default;

void ContextModel::release() {
  arena_.reset();
  size_ = 0;
}

uint32_t ContextModel::ref(const void* p) const {
  return static_cast<uint32_t>(static_cast<const uint8_t*>(p) - arena_.get());
}
ContextModel::Context* ContextModel::context(uint32_t r) const { return reinterpret_cast<Context*>(at(r)); }
ContextModel::State* ContextModel::stats(const Context* c) const { return reinterpret_cast<State*>(at(c->stats)); }
ContextModel::State* ContextModel::oneState(Context* c) { return reinterpret_cast<State*>(&c->summFreq); }

bool ContextModel::reset(uint32_t memorySize, int maxOrder) {
  if (memorySize < kUnitSize * 256) return false;
  if (!arena_ || size_ != memorySize) {
    arena_.reset();
    // Text starts at a small offset so the units end 4-byte aligned and no
    // structure sits at offset 0 (the null link); one spare unit past the end
    // serves as the glue list's head.
    alignOffset_ = 4 - (memorySize & 3);
    arena_.reset(new (std::nothrow) uint8_t[alignOffset_ + memorySize + kUnitSize]);
    if (!arena_) return false;
    size_ = memorySize;
    // A root context that lost symbols in a rescale reads its (absent)
    // suffix at offset 0: keep those bytes defined.
    std::memset(arena_.get(), 0, alignOffset_ + kUnitSize);
  }
  maxOrder_ = maxOrder;
  restart();
  dummySee_.shift = kPeriodBits;
  dummySee_.summ = 0;
  dummySee_.count = 64;
  return true;
}

// ---------------------------------------------------------------- sub-allocator

void ContextModel::insertNode(void* node, unsigned index) {
  std::memcpy(node, &freeList_[index], 4);
  freeList_[index] = ref(node);
}

void* ContextModel::removeNode(unsigned index) {
  uint8_t* node = at(freeList_[index]);
  std::memcpy(&freeList_[index], node, 4);
  return node;
}

void ContextModel::splitBlock(void* ptr, unsigned oldIndex, unsigned newIndex) {
  const unsigned nu = indexToUnits_[oldIndex] - indexToUnits_[newIndex];
  uint8_t* rest = static_cast<uint8_t*>(ptr) + units2Bytes(indexToUnits_[newIndex]);
  unsigned i = unitsToIndex_[nu - 1];
  if (indexToUnits_[i] != nu) {
    const unsigned k = indexToUnits_[--i];
    insertNode(rest + units2Bytes(k), nu - k - 1);
  }
  insertNode(rest, i);
}

void ContextModel::glueFreeBlocks() {
  const uint32_t head = alignOffset_ + size_;
  uint32_t n = head;
  auto node = [this](uint32_t r) { return reinterpret_cast<Node*>(at(r)); };

  glueCount_ = 255;

  // A doubly-linked list of all free blocks.
  for (unsigned i = 0; i < kNumIndexes; ++i) {
    const uint16_t nu = indexToUnits_[i];
    uint32_t next = freeList_[i];
    freeList_[i] = 0;
    while (next != 0) {
      Node* nd = node(next);
      nd->next = n;
      node(n)->prev = next;
      n = next;
      std::memcpy(&next, nd, 4);
      nd->stamp = 0;
      nd->nu = nu;
    }
  }
  node(head)->stamp = 1;
  node(head)->next = n;
  node(n)->prev = head;
  if (loUnit_ != hiUnit_) reinterpret_cast<Node*>(loUnit_)->stamp = 1;

  // Merge each free block with the free blocks that follow it in memory.
  while (n != head) {
    Node* nd = node(n);
    uint32_t nu = nd->nu;
    for (;;) {
      Node* nd2 = node(n + nu * kUnitSize);
      nu += nd2->nu;
      if (nd2->stamp != 0 || nu >= 0x10000) break;
      node(nd2->prev)->next = nd2->next;
      node(nd2->next)->prev = nd2->prev;
      nd->nu = static_cast<uint16_t>(nu);
    }
    n = nd->next;
  }

  // Refill the free lists.
  for (n = node(head)->next; n != head;) {
    Node* nd = node(n);
    const uint32_t next = nd->next;
    unsigned nu = nd->nu;
    uint8_t* p = reinterpret_cast<uint8_t*>(nd);
    for (; nu > 128; nu -= 128, p += 128 * kUnitSize) insertNode(p, kNumIndexes - 1);
    unsigned i = unitsToIndex_[nu - 1];
    if (indexToUnits_[i] != nu) {
      const unsigned k = indexToUnits_[--i];
      insertNode(p + k * kUnitSize, nu - k - 1);
    }
    insertNode(p, i);
    n = next;
  }
}

void* ContextModel::allocUnitsRare(unsigned index) {
  if (glueCount_ == 0) {
    glueFreeBlocks();
    if (freeList_[index] != 0) return removeNode(index);
  }
  unsigned i = index;
  do {
    if (++i == kNumIndexes) {
      const uint32_t numBytes = units2Bytes(indexToUnits_[index]);
      --glueCount_;
      if (static_cast<uint32_t>(unitsStart_ - text_) > numBytes) {
        unitsStart_ -= numBytes;
        return unitsStart_;
      }
      return nullptr;
    }
  } while (freeList_[i] == 0);
  void* block = removeNode(i);
  splitBlock(block, i, index);
  return block;
}

void* ContextModel::allocUnits(unsigned index) {
  if (freeList_[index] != 0) return removeNode(index);
  const uint32_t numBytes = units2Bytes(indexToUnits_[index]);
  if (numBytes <= static_cast<uint32_t>(hiUnit_ - loUnit_)) {
    void* block = loUnit_;
    loUnit_ += numBytes;
    return block;
  }
  return allocUnitsRare(index);
}

void* ContextModel::shrinkUnits(void* oldPtr, unsigned oldUnits, unsigned newUnits) {
  const unsigned i0 = unitsToIndex_[oldUnits - 1];
  const unsigned i1 = unitsToIndex_[newUnits - 1];
  if (i0 == i1) return oldPtr;
  if (freeList_[i1] != 0) {
    void* block = removeNode(i1);
    std::memcpy(block, oldPtr, units2Bytes(newUnits));
    insertNode(oldPtr, i0);
    return block;
  }
  splitBlock(oldPtr, i0, i1);
  return oldPtr;
}

ContextModel::Context* ContextModel::allocContext() {
  if (hiUnit_ != loUnit_) {
    hiUnit_ -= kUnitSize;
    return reinterpret_cast<Context*>(hiUnit_);
  }
  if (freeList_[0] != 0) return static_cast<Context*>(removeNode(0));
  return static_cast<Context*>(allocUnitsRare(0));
}

// ---------------------------------------------------------------- model

void ContextModel::restart() {
  freeList_.fill(0);
  text_ = arena_.get() + alignOffset_;
  hiUnit_ = text_ + size_;
  loUnit_ = unitsStart_ = hiUnit_ - size_ / 8 / kUnitSize * 7 * kUnitSize;
  glueCount_ = 0;

  orderFall_ = maxOrder_;
  runLength_ = initRunLength_ = -(maxOrder_ < 12 ? maxOrder_ : 12) - 1;
  prevSuccess_ = 0;

  hiUnit_ -= kUnitSize;
  minContext_ = maxContext_ = reinterpret_cast<Context*>(hiUnit_);
  minContext_->suffix = 0;
  minContext_->numStats = 256;
  minContext_->summFreq = 256 + 1;
  foundState_ = reinterpret_cast<State*>(loUnit_);
  loUnit_ += units2Bytes(256 / 2);
  minContext_->stats = ref(foundState_);
  for (unsigned i = 0; i < 256; ++i) {
    State& s = foundState_[i];
    s.symbol = static_cast<uint8_t>(i);
    s.freq = 1;
    s.setSuccessor(0);
  }

  for (unsigned i = 0; i < 128; ++i)
    for (unsigned k = 0; k < 8; ++k) {
      const uint16_t val = static_cast<uint16_t>(kBinScale - kInitBinEsc[k] / (i + 2));
      for (unsigned m = 0; m < 64; m += 8) binSumm_[i][k + m] = val;
    }

  for (unsigned i = 0; i < 25; ++i)
    for (unsigned k = 0; k < 16; ++k) {
      See& s = see_[i][k];
      s.shift = kPeriodBits - 4;
      s.summ = static_cast<uint16_t>((5 * i + 10) << s.shift);
      s.count = 4;
    }
}

ContextModel::Context* ContextModel::createSuccessors(bool skip) {
  Context* c = minContext_;
  const uint32_t upBranch = foundState_->successor();
  State* ps[kMaxOrder];
  unsigned numPs = 0;
  if (!skip) ps[numPs++] = foundState_;

  while (c->suffix) {
    c = context(c->suffix);
    State* s;
    if (c->numStats != 1) {
      for (s = stats(c); s->symbol != foundState_->symbol; ++s) {
      }
    } else {
      s = oneState(c);
    }
    const uint32_t successor = s->successor();
    if (successor != upBranch) {
      c = context(successor);
      if (numPs == 0) return c;
      break;
    }
    // The context chain is never deeper than the model order.
    if (numPs == kMaxOrder) return nullptr;
    ps[numPs++] = s;
  }

  State upState;
  upState.symbol = *at(upBranch);
  upState.setSuccessor(upBranch + 1);
  if (c->numStats == 1) {
    upState.freq = oneState(c)->freq;
  } else {
    State* s;
    for (s = stats(c); s->symbol != upState.symbol; ++s) {
    }
    const uint32_t cf = s->freq - 1u;
    const uint32_t s0 = c->summFreq - c->numStats - cf;
    upState.freq = static_cast<uint8_t>(1 + ((2 * cf <= s0) ? (5 * cf > s0) : ((2 * cf + 3 * s0 - 1) / (2 * s0))));
  }

  while (numPs != 0) {
    Context* c1 = allocContext();
    if (!c1) return nullptr;
    c1->numStats = 1;
    *oneState(c1) = upState;
    c1->suffix = ref(c);
    ps[--numPs]->setSuccessor(ref(c1));
    c = c1;
  }
  return c;
}

void ContextModel::updateModel() {
  uint32_t fSuccessor = foundState_->successor();

  if (foundState_->freq < kMaxFreq / 4 && minContext_->suffix != 0) {
    Context* c = context(minContext_->suffix);
    if (c->numStats == 1) {
      State* s = oneState(c);
      if (s->freq < 32) ++s->freq;
    } else {
      State* s = stats(c);
      if (s->symbol != foundState_->symbol) {
        do {
          ++s;
        } while (s->symbol != foundState_->symbol);
        if (s[0].freq >= s[-1].freq) {
          std::swap(s[0], s[-1]);
          --s;
        }
      }
      if (s->freq < kMaxFreq - 9) {
        s->freq = static_cast<uint8_t>(s->freq + 2);
        c->summFreq = static_cast<uint16_t>(c->summFreq + 2);
      }
    }
  }

  if (orderFall_ == 0) {
    minContext_ = maxContext_ = createSuccessors(true);
    if (!minContext_) {
      restart();
      return;
    }
    foundState_->setSuccessor(ref(minContext_));
    return;
  }

  *text_++ = foundState_->symbol;
  uint32_t successor = ref(text_);
  if (text_ >= unitsStart_) {
    restart();
    return;
  }

  if (fSuccessor) {
    if (fSuccessor <= successor) {
      Context* cs = createSuccessors(false);
      if (!cs) {
        restart();
        return;
      }
      fSuccessor = ref(cs);
    }
    if (--orderFall_ == 0) {
      successor = fSuccessor;
      if (maxContext_ != minContext_) --text_;
    }
  } else {
    foundState_->setSuccessor(successor);
    fSuccessor = ref(minContext_);
  }

  const unsigned ns = minContext_->numStats;
  const uint32_t s0 = minContext_->summFreq - ns - (foundState_->freq - 1u);

  for (Context* c = maxContext_; c != minContext_; c = context(c->suffix)) {
    const unsigned ns1 = c->numStats;
    if (ns1 != 1) {
      if ((ns1 & 1) == 0) {
        // The state list is full: grow it by one unit.
        const unsigned oldNu = ns1 >> 1;
        const unsigned i = unitsToIndex_[oldNu - 1];
        if (i != unitsToIndex_[oldNu]) {
          void* block = allocUnits(i + 1);
          if (!block) {
            restart();
            return;
          }
          void* old = stats(c);
          std::memcpy(block, old, units2Bytes(oldNu));
          insertNode(old, i);
          c->stats = ref(block);
        }
      }
      c->summFreq = static_cast<uint16_t>(c->summFreq + (2 * ns1 < ns) +
                                          2 * ((4 * ns1 <= ns) & (c->summFreq <= 8 * ns1)));
    } else {
      State* s = static_cast<State*>(allocUnits(0));
      if (!s) {
        restart();
        return;
      }
      *s = *oneState(c);
      c->stats = ref(s);
      if (s->freq < kMaxFreq / 4 - 1)
        s->freq = static_cast<uint8_t>(s->freq << 1);
      else
        s->freq = kMaxFreq - 4;
      c->summFreq = static_cast<uint16_t>(s->freq + initEsc_ + (ns > 3));
    }
    uint32_t cf = 2 * static_cast<uint32_t>(foundState_->freq) * (c->summFreq + 6u);
    const uint32_t sf = s0 + c->summFreq;
    if (cf < 6 * sf) {
      cf = 1 + (cf > sf) + (cf >= 4 * sf);
      c->summFreq = static_cast<uint16_t>(c->summFreq + 3);
    } else {
      cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
      c->summFreq = static_cast<uint16_t>(c->summFreq + cf);
    }
    State* s = stats(c) + ns1;
    s->setSuccessor(successor);
    s->symbol = foundState_->symbol;
    s->freq = static_cast<uint8_t>(cf);
    c->numStats = static_cast<uint16_t>(ns1 + 1);
  }
  maxContext_ = minContext_ = context(fSuccessor);
}

void ContextModel::rescale() {
  State* const first = stats(minContext_);
  State* s = foundState_;
  {
    // Move the found state to the front.
    const State tmp = *s;
    for (; s != first; --s) s[0] = s[-1];
    *s = tmp;
  }
  uint32_t escFreq = minContext_->summFreq - s->freq;
  s->freq = static_cast<uint8_t>(s->freq + 4);
  const unsigned adder = orderFall_ != 0;
  s->freq = static_cast<uint8_t>((s->freq + adder) >> 1);
  uint32_t sumFreq = s->freq;

  unsigned i = minContext_->numStats - 1u;
  do {
    escFreq -= (++s)->freq;
    s->freq = static_cast<uint8_t>((s->freq + adder) >> 1);
    sumFreq += s->freq;
    if (s[0].freq > s[-1].freq) {
      State* s1 = s;
      const State tmp = *s1;
      do {
        s1[0] = s1[-1];
      } while (--s1 != first && tmp.freq > s1[-1].freq);
      *s1 = tmp;
    }
  } while (--i);

  if (s->freq == 0) {
    const unsigned numStats = minContext_->numStats;
    do {
      ++i;
    } while ((--s)->freq == 0);
    escFreq += i;
    minContext_->numStats = static_cast<uint16_t>(minContext_->numStats - i);
    if (minContext_->numStats == 1) {
      State tmp = *first;
      do {
        tmp.freq = static_cast<uint8_t>(tmp.freq - (tmp.freq >> 1));
        escFreq >>= 1;
      } while (escFreq > 1);
      insertNode(first, unitsToIndex_[((numStats + 1) >> 1) - 1]);
      *(foundState_ = oneState(minContext_)) = tmp;
      return;
    }
    const unsigned n0 = (numStats + 1) >> 1;
    const unsigned n1 = (minContext_->numStats + 1u) >> 1;
    if (n0 != n1) minContext_->stats = ref(shrinkUnits(first, n0, n1));
  }
  minContext_->summFreq = static_cast<uint16_t>(sumFreq + escFreq - (escFreq >> 1));
  foundState_ = stats(minContext_);
}

ContextModel::See* ContextModel::makeEscapeFrequency(unsigned numMasked, uint32_t* escFreq) {
  const unsigned numStats = minContext_->numStats;
  const unsigned nonMasked = numStats - numMasked;
  if (numStats == 256) {
    *escFreq = 1;
    return &dummySee_;
  }
  See* see = see_[ns2Index_[nonMasked - 1]] + (nonMasked < context(minContext_->suffix)->numStats - numStats) +
             2 * (minContext_->summFreq < 11 * numStats) + 4 * (numMasked > nonMasked) + hiBitsFlag_;
  const unsigned r = see->summ >> see->shift;
  see->summ = static_cast<uint16_t>(see->summ - r);
  *escFreq = r + (r == 0);
  return see;
}

void ContextModel::nextContext() {
  Context* c = context(foundState_->successor());
  if (orderFall_ == 0 && reinterpret_cast<uint8_t*>(c) > text_)
    minContext_ = maxContext_ = c;
  else
    updateModel();
}

void ContextModel::update1() {
  State* s = foundState_;
  s->freq = static_cast<uint8_t>(s->freq + 4);
  minContext_->summFreq = static_cast<uint16_t>(minContext_->summFreq + 4);
  if (s[0].freq > s[-1].freq) {
    std::swap(s[0], s[-1]);
    foundState_ = --s;
    if (s->freq > kMaxFreq) rescale();
  }
  nextContext();
}

void ContextModel::update1First() {
  prevSuccess_ = (2u * foundState_->freq > minContext_->summFreq);
  runLength_ += static_cast<int32_t>(prevSuccess_);
  minContext_->summFreq = static_cast<uint16_t>(minContext_->summFreq + 4);
  foundState_->freq = static_cast<uint8_t>(foundState_->freq + 4);
  if (foundState_->freq > kMaxFreq) rescale();
  nextContext();
}

void ContextModel::updateBinary() {
  foundState_->freq = static_cast<uint8_t>(foundState_->freq + (foundState_->freq < 128 ? 1 : 0));
  prevSuccess_ = 1;
  ++runLength_;
  nextContext();
}

void ContextModel::update2() {
  minContext_->summFreq = static_cast<uint16_t>(minContext_->summFreq + 4);
  foundState_->freq = static_cast<uint8_t>(foundState_->freq + 4);
  if (foundState_->freq > kMaxFreq) rescale();
  runLength_ = initRunLength_;
  updateModel();
}

uint16_t* ContextModel::binarySummary() {
  State* one = oneState(minContext_);
  hiBitsFlag_ = hb2Flag_[foundState_->symbol];
  return &binSumm_[one->freq - 1u][prevSuccess_ + ns2BinIndex_[context(minContext_->suffix)->numStats - 1u] +
                                   hiBitsFlag_ + 2 * hb2Flag_[one->symbol] + ((runLength_ >> 26) & 0x20)];
}

int ContextModel::decodeSymbol(RangeDecoder& rc, ByteInput& in) {
  uint8_t charMask[256];
  if (minContext_->numStats != 1) {
    State* s = stats(minContext_);
    uint32_t count = rc.threshold(minContext_->summFreq);
    uint32_t hiCnt = s->freq;
    if (count < hiCnt) {
      rc.decode(0, s->freq, in);
      foundState_ = s;
      const uint8_t symbol = s->symbol;
      update1First();
      return symbol;
    }
    prevSuccess_ = 0;
    unsigned i = minContext_->numStats - 1u;
    do {
      if ((hiCnt += (++s)->freq) > count) {
        rc.decode(hiCnt - s->freq, s->freq, in);
        foundState_ = s;
        const uint8_t symbol = s->symbol;
        update1();
        return symbol;
      }
    } while (--i);
    if (count >= minContext_->summFreq) return -1;
    hiBitsFlag_ = hb2Flag_[foundState_->symbol];
    rc.decode(hiCnt, minContext_->summFreq - hiCnt, in);
    std::memset(charMask, 0xFF, sizeof charMask);
    charMask[s->symbol] = 0;
    i = minContext_->numStats - 1u;
    do {
      charMask[(--s)->symbol] = 0;
    } while (--i);
  } else {
    uint16_t* prob = binarySummary();
    const uint32_t size0 = *prob;
    const uint32_t value = rc.threshold(kBinScale);
    if (value < size0) {
      rc.decode(0, size0, in);
      *prob = static_cast<uint16_t>(*prob + (1u << kIntBits) - meanOf(*prob));
      foundState_ = oneState(minContext_);
      const uint8_t symbol = foundState_->symbol;
      updateBinary();
      return symbol;
    }
    if (value == UINT32_MAX) return -1;
    rc.decode(size0, kBinScale - size0, in);
    *prob = static_cast<uint16_t>(*prob - meanOf(*prob));
    initEsc_ = kExpEscape[*prob >> 10];
    std::memset(charMask, 0xFF, sizeof charMask);
    charMask[oneState(minContext_)->symbol] = 0;
    prevSuccess_ = 0;
  }

  for (;;) {
    State* ps[256];
    const unsigned numMasked = minContext_->numStats;
    do {
      ++orderFall_;
      if (!minContext_->suffix) return -1;  // escape from the root: no such symbol
      minContext_ = context(minContext_->suffix);
    } while (minContext_->numStats == numMasked);

    uint32_t hiCnt = 0;
    State* s = stats(minContext_);
    unsigned i = 0;
    const unsigned num = minContext_->numStats - numMasked;
    do {
      const unsigned k = charMask[s->symbol] ? 1 : 0;
      hiCnt += s->freq & (k ? 0xFFu : 0u);
      ps[i] = s++;
      i += k;
    } while (i != num);

    uint32_t freqSum = 0;
    See* see = makeEscapeFrequency(numMasked, &freqSum);
    freqSum += hiCnt;
    const uint32_t count = rc.threshold(freqSum);

    if (count < hiCnt) {
      State** pps = ps;
      for (hiCnt = 0; (hiCnt += (*pps)->freq) <= count; ++pps) {
      }
      s = *pps;
      rc.decode(hiCnt - s->freq, s->freq, in);
      if (see->shift < kPeriodBits && --see->count == 0) {
        see->summ = static_cast<uint16_t>(see->summ << 1);
        see->count = static_cast<uint8_t>(3 << see->shift++);
      }
      foundState_ = s;
      const uint8_t symbol = s->symbol;
      update2();
      return symbol;
    }
    if (count >= freqSum) return -1;
    rc.decode(hiCnt, freqSum - hiCnt, in);
    see->summ = static_cast<uint16_t>(see->summ + freqSum);
    do {
      charMask[ps[--i]->symbol] = 0;
    } while (i != 0);
  }
}

}  // namespace rar::ppmd
