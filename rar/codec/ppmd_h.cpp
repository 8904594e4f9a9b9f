#include "rar/codec/ppmd_h.h"

namespace rar::ppmd {

struct ModelH::Impl {
  int escape = 2;
};

ModelH::ModelH() : impl_(std::make_unique<Impl>()) {}
ModelH::~ModelH() = default;

Status ModelH::startBlock(uint8_t, uint8_t, ByteInput&, size_t) {
  return Status(Error::unsupported, "PPMd blocks are not supported yet");
}

int ModelH::decodeChar(ByteInput&) { return -1; }
int ModelH::escapeChar() const { return impl_->escape; }
void ModelH::setEscapeChar(int c) { impl_->escape = c; }
void ModelH::poison() {}

}  // namespace rar::ppmd
