#pragma once
// The multimedia (audio) predictor of the RAR 2.0 method: each channel
// predicts the next byte from its last byte, four past deltas and the delta
// of the previous channel, with five weights that adapt every 32 bytes to
// whichever input would have given the smallest error.

#include <array>
#include <cstdint>

namespace rar::codec::v20 {

class AudioChannel {
 public:
  // Reconstructs the byte from the coded prediction error; `channelDelta` is
  // shared by the channels of a block.
  uint8_t decode(uint8_t coded, int& channelDelta);

 private:
  std::array<int, 5> weight_{};
  std::array<int, 4> delta_{};
  int lastDelta_ = 0;
  std::array<int, 11> error_{};
  uint32_t count_ = 0;
  int lastByte_ = 0;
};

}  // namespace rar::codec::v20
