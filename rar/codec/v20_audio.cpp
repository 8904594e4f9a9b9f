#include "rar/codec/v20_audio.h"

#include <cstdlib>

namespace rar::codec::v20 {

uint8_t AudioChannel::decode(uint8_t coded, int& channelDelta) {
  ++count_;
  delta_[3] = delta_[2];
  delta_[2] = delta_[1];
  delta_[1] = lastDelta_ - delta_[0];
  delta_[0] = lastDelta_;

  const int predicted = ((8 * lastByte_ + weight_[0] * delta_[0] + weight_[1] * delta_[1] + weight_[2] * delta_[2] +
                          weight_[3] * delta_[3] + weight_[4] * channelDelta) >>
                         3) &
                        0xFF;
  const int byte = (predicted - coded) & 0xFF;

  // The error each input would have left, for the weight adaptation.
  const int error = static_cast<int8_t>(coded) * 8;
  error_[0] += std::abs(error);
  for (int i = 0; i < 4; ++i) {
    error_[1 + 2 * i] += std::abs(error - delta_[i]);
    error_[2 + 2 * i] += std::abs(error + delta_[i]);
  }
  error_[9] += std::abs(error - channelDelta);
  error_[10] += std::abs(error + channelDelta);

  channelDelta = lastDelta_ = static_cast<int8_t>(byte - lastByte_);
  lastByte_ = byte;

  if ((count_ & 0x1F) == 0) {
    int best = 0;
    for (int i = 1; i < 11; ++i)
      if (error_[i] < error_[best]) best = i;
    error_.fill(0);
    if (best > 0) {
      // Odd: the input's weight goes down; even: up (within -17..16).
      int& w = weight_[(best - 1) / 2];
      if (best & 1) {
        if (w >= -16) --w;
      } else if (w < 16) {
        ++w;
      }
    }
  }
  return static_cast<uint8_t>(byte);
}

}  // namespace rar::codec::v20
