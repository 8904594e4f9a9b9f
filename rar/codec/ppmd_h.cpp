#include "rar/codec/ppmd_h.h"

#include <string>

#include "rar/codec/ppmd_h_model.h"

namespace rar::ppmd {

struct ModelH::Impl {
  ContextModel model;
  RangeDecoder rc;
  int escape = 2;
  bool ready = false;  // a model exists that a block without reset may continue
};

ModelH::ModelH() : impl_(std::make_unique<Impl>()) {}
ModelH::~ModelH() = default;

Status ModelH::startBlock(uint8_t flags, uint8_t memoryMb, ByteInput& in, size_t maxMemory) {
  Impl& m = *impl_;
  if ((flags & 0x20) == 0) {
    if (!m.ready) return Status(Error::corruptData, "PPMd block continues a model that does not exist");
    m.rc.init(in);
    return Status::success();
  }
  m.ready = false;
  int order = (flags & 0x1F) + 1;
  if (order > 16) order = 16 + (order - 16) * 3;
  if (order == 1) return Status(Error::corruptData, "PPMd block with model order 1");
  const uint64_t memory = (uint64_t(memoryMb) + 1) << 20;
  if (memory > maxMemory)
    return Status(Error::unsupported, "PPMd model of " + std::to_string(memoryMb + 1) + " MB exceeds the memory limit");
  m.rc.init(in);
  if (!m.model.reset(static_cast<uint32_t>(memory), order))
    return Status(Error::unsupported, "cannot allocate the PPMd model");
  m.ready = true;
  return Status::success();
}

int ModelH::decodeChar(ByteInput& in) {
  Impl& m = *impl_;
  if (!m.ready) return -1;
  const int c = m.model.decodeSymbol(m.rc, in);
  if (c < 0 || m.rc.overrun()) {
    m.ready = false;
    return -1;
  }
  return c;
}

int ModelH::escapeChar() const { return impl_->escape; }
void ModelH::setEscapeChar(int c) { impl_->escape = c; }
void ModelH::poison() { impl_->ready = false; }

}  // namespace rar::ppmd
