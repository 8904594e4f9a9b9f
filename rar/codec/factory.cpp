#include "rar/decoder.h"

#include "rar/codec/v15_decoder.h"
#include "rar/codec/v20_decoder.h"
#include "rar/codec/v29_decoder.h"
#include "rar/codec/v50_decoder.h"

namespace rar {

Result<std::unique_ptr<Decoder>> makeDecoder(Family family, const DecoderLimits& limits) {
  switch (family) {
    case Family::v15: return codec::makeV15Decoder(limits);
    case Family::v20: return codec::makeV20Decoder(limits);
    case Family::v29: return std::unique_ptr<Decoder>(std::make_unique<codec::V29Decoder>(limits));
    case Family::v50: return std::unique_ptr<Decoder>(std::make_unique<codec::V50Decoder>(limits));
    default: break;
  }
  return Status(Error::unsupported, "compressed data is not supported yet");
}

}  // namespace rar
