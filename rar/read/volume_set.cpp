#include "rar/read/volume_set.h"

namespace rar {

namespace {
// A callback that keeps answering "try again" without producing the volume
// must not hang the reader.
constexpr int kMaxVolumeRetries = 1000;
}  // namespace

Status VolumeSet::openAt(const std::string& path) {
  auto f = fs_.openRead(path);
  if (!f) return f.status();
  auto sz = (*f)->size();
  if (!sz) return sz.status();
  file_ = std::move(*f);
  path_ = path;
  size_ = *sz;
  position_ = 0;
  return {};
}

Status VolumeSet::open(const std::string& path) {
  index_ = 0;
  return openAt(path);
}

Status VolumeSet::openNext(VolumeNaming naming, const VolumeCallback& callback, bool quiet) {
  // RAR 5 sets always use the new naming, but renamed sets (set.rar, set.r00)
  // are found by the old one.
  std::string expected = nextVolumeName(path_, naming);
  std::string old = naming == VolumeNaming::newStyle ? nextVolumeName(path_, VolumeNaming::oldStyle) : std::string();
  if (expected.empty() || (!fs_.exists(expected) && !old.empty() && fs_.exists(old))) expected = old;
  if (expected.empty()) return Status(Error::missingVolume, "cannot derive the name of the volume after " + path_);
  std::string candidate = expected;
  for (int attempt = 0; !fs_.exists(candidate); ++attempt) {
    if (quiet || !callback) return Status(Error::missingVolume, "missing volume " + expected);
    if (attempt >= kMaxVolumeRetries) return Status(Error::missingVolume, "missing volume " + expected);
    std::string asked = candidate;
    if (!callback(VolumeEvent::missing, asked)) return Status(Error::aborted, "volume " + expected + " not given");
    candidate = asked;
  }
  if (Status s = openAt(candidate); !s) return s;
  ++index_;
  if (callback) {
    std::string p = path_;
    if (!callback(VolumeEvent::changed, p)) return Status(Error::aborted, "stopped after opening " + path_);
  }
  return {};
}

Status VolumeSet::seek(uint64_t position) {
  if (!file_) return Status(Error::readFailed, "no volume open");
  if (Status s = file_->seek(position); !s) return s;
  position_ = position;
  return {};
}

Result<size_t> VolumeSet::readSome(uint8_t* buffer, size_t size) {
  if (!file_) return Status(Error::readFailed, "no volume open");
  auto r = file_->read(buffer, size);
  if (!r) return r;
  position_ += *r;
  return r;
}

Status VolumeSet::readExact(uint8_t* buffer, size_t size, const char* what) {
  size_t done = 0;
  while (done < size) {
    auto r = readSome(buffer + done, size - done);
    if (!r) return r.status();
    if (*r == 0) return Status(Error::truncated, std::string("unexpected end of ") + path_ + " in " + what);
    done += *r;
  }
  return {};
}

}  // namespace rar
