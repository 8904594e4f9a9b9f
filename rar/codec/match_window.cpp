#include "rar/codec/match_window.h"

#include <new>

namespace rar::codec {

Status MatchWindow::reserve(uint64_t size) {
  uint64_t want = 1;
  while (want < size) want <<= 1;
  if (want <= size_) return Status::success();
  if (want > SIZE_MAX / 2) return Status(Error::unsupported, "dictionary too large for this system");
  WindowMemory bigger = allocateWindow(static_cast<size_t>(want));
  if (!bigger) return Status(Error::unsupported, "not enough memory for the dictionary");
  size_t newSize = static_cast<size_t>(want);
  if (data_) {
    // Move the history to the slots its stream positions map to now.
    uint64_t keep = history();
    for (uint64_t p = pos_ - keep; p < pos_;) {
      size_t from = static_cast<size_t>(p) & mask_;
      size_t to = static_cast<size_t>(p) & (newSize - 1);
      size_t n = static_cast<size_t>(pos_ - p);
      if (n > size_ - from) n = size_ - from;
      if (n > newSize - to) n = newSize - to;
      std::memcpy(bigger.get() + to, data_.get() + from, n);
      p += n;
    }
    validFrom_ = pos_ - keep;
  }
  data_ = std::move(bigger);
  size_ = newSize;
  mask_ = newSize - 1;
  return Status::success();
}

void MatchWindow::copyOut(uint64_t from, size_t length, uint8_t* dst) const {
  size_t start = static_cast<size_t>(from) & mask_;
  size_t first = length < size_ - start ? length : size_ - start;
  std::memcpy(dst, data_.get() + start, first);
  std::memcpy(dst + first, data_.get(), length - first);
}

Status MatchWindow::write(uint64_t from, uint64_t to, DecodedOutput& out) const {
  while (from < to) {
    size_t start = static_cast<size_t>(from) & mask_;
    uint64_t n = to - from;
    if (n > size_ - start) n = size_ - start;
    Status s = out.write(data_.get() + start, static_cast<size_t>(n));
    if (!s.ok()) return s;
    from += n;
  }
  return Status::success();
}

}  // namespace rar::codec
