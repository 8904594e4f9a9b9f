#include "rar/decoder.h"

namespace rar {

Result<std::unique_ptr<Decoder>> makeDecoder(Family family, const DecoderLimits& limits) {
  (void)family;
  (void)limits;
  return Status(Error::unsupported, "compressed data is not supported yet");
}

}  // namespace rar
