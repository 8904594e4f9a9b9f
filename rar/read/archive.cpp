#include "rar/read/archive.h"

#include "rar/read/archive_impl.h"

namespace rar {

Archive::Archive(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Archive::~Archive() = default;

Result<std::unique_ptr<Archive>> Archive::open(FileSystem& fs, const std::string& path, ArchiveOptions options) {
  auto impl = std::make_unique<Impl>(fs, std::move(options));
  if (Status s = impl->volumes.open(path); !s) return Status(Error::cannotOpen, s.message());
  if (Status s = impl->readVolumeStart(true); !s) return s;
  return std::unique_ptr<Archive>(new Archive(std::move(impl)));
}

void Archive::setPassword(const Password& password) {
  if (password == impl_->options.password) return;
  impl_->options.password = password;
  impl_->keys.clear();
}

void Archive::setVolumeCallback(VolumeCallback callback) { impl_->options.onVolume = std::move(callback); }
void Archive::setDataCallback(DataCallback callback) { impl_->options.onData = std::move(callback); }

const ArchiveInfo& Archive::info() const { return impl_->info; }
const MemberInfo& Archive::member() const { return impl_->current.info; }

Result<bool> Archive::readHeader() {
  Impl& a = *impl_;
  if (!a.failure) return a.failure;
  if (a.ended) return false;
  if (a.haveMember && !a.dataDone) {
    // Passed over without being decoded: a solid stream cannot go on.
    if (!a.current.stored && !a.current.info.isDirectory && !a.solidBroken) {
      a.solidBroken = true;
      a.solidBreak = Status(Error::corruptData, a.current.info.name + " was passed over");
    }
    if (Status s = a.passOverData(); !s) return s;
  }
  a.haveMember = false;
  for (;;) {
    auto b = a.readBlock();
    if (!b) {
      // A missing or wrong password leaves the position where it was: the
      // caller may set another and try again. Any other failure is final.
      if (b.status().error() != Error::missingPassword && b.status().error() != Error::badPassword) a.failure = b.status();
      return b.status();
    }
    switch (b->kind) {
      case BlockKind::other:
        continue;
      case BlockKind::end:
        if (b->moreVolumes) {
          if (Status s = a.openNextVolume(false); !s) {
            a.failure = s;
            return s;
          }
          continue;
        }
        a.ended = true;
        return false;
      case BlockKind::eof:
        // RAR 1.x-2.x volumes have no end block: continue when the next
        // volume is there.
        if (a.info.volume && a.info.format != Format::rar50) {
          if (a.openNextVolume(true)) continue;
        }
        a.ended = true;
        return false;
      case BlockKind::file: {
        a.current = std::move(b->file);
        a.haveMember = true;
        a.dataDone = false;
        a.firstFileSeen = true;
        a.partRemaining = a.current.dataSize;
        a.partSplitAfter = a.current.info.splitAfter;
        if (Status s = a.volumes.seek(a.current.dataStart); !s) return s;
        if (!a.current.info.isDirectory && a.current.info.link == LinkKind::none)
          a.locations[a.current.info.name] = {a.volumes.path(), a.volumes.index(), a.current.blockStart};
        return true;
      }
    }
  }
}

Status Archive::skip() {
  Impl& a = *impl_;
  if (!a.haveMember) return Status(Error::corruptHeader, "no current member");
  if (a.dataDone) return {};
  const MemberInfo& m = a.current.info;
  // A solid stream needs every member decoded, skipped or not.
  if (a.info.solid && !a.current.stored && !m.isDirectory && m.link == LinkKind::none && !a.solidBroken) {
    NullSink sink;
    DataCallback none;
    std::swap(none, a.options.onData);
    Status s = a.extractCurrent(sink);
    std::swap(none, a.options.onData);
    return s;
  }
  if (!a.current.stored && !m.isDirectory && !a.solidBroken) {
    a.solidBroken = true;
    a.solidBreak = Status(Error::corruptData, m.name + " was skipped");
  }
  return a.passOverData();
}

Status Archive::extract(OutputSink& sink) {
  Impl& a = *impl_;
  if (!a.haveMember) return Status(Error::corruptHeader, "no current member");
  if (a.dataDone) return Status(Error::readFailed, a.current.info.name + " was already processed");
  return a.extractCurrent(sink);
}

Status Archive::extractToFile(const std::string& path) {
  Impl& a = *impl_;
  if (!a.haveMember) return Status(Error::corruptHeader, "no current member");
  const MemberInfo& m = a.current.info;
  if (m.isDirectory) {
    if (Status s = a.fs.createDirectories(path); !s) return s;
    return a.passOverData();
  }
  if (m.link != LinkKind::none && m.link != LinkKind::fileCopy) return a.passOverData();
  auto file = a.fs.create(path);
  if (!file) {
    if (Status p = a.passOverData(); !p) return p;
    return file.status();
  }
  Status s = a.extractCurrent(**file);
  if (s) s = (*file)->close();
  if (s && m.hasMtime && m.format == Format::rar50) s = (*file)->setModificationTime(m.mtime);
  if (!s) {
    file->reset();
    a.fs.remove(path);
  }
  return s;
}

Status Archive::test() {
  NullSink sink;
  return extract(sink);
}

Status Archive::Impl::extractCopy(OutputSink& sink) {
  auto it = locations.find(current.info.linkTarget);
  if (it == locations.end())
    return Status(Error::corruptData, current.info.name + " is a copy of " + current.info.linkTarget + ", which is not in the archive before it");
  // A second reader positioned at the earlier member's header.
  Impl other(fs, options);
  other.info = info;
  if (Status s = other.volumes.open(it->second.volumePath); !s) return s;
  other.volumes.setIndex(it->second.volumeIndex);
  if (Status s = other.readVolumeStart(it->second.volumeIndex == 0); !s) return s;
  other.nextBlock = it->second.blockStart;
  auto b = other.readBlock();
  if (!b) return b.status();
  if (b->kind != BlockKind::file) return Status(Error::corruptHeader, "the original of " + current.info.name + " cannot be read again");
  other.current = std::move(b->file);
  other.haveMember = true;
  other.dataDone = false;
  other.partRemaining = other.current.dataSize;
  other.partSplitAfter = other.current.info.splitAfter;
  if (other.current.info.link != LinkKind::none) return Status(Error::corruptData, "a file copy refers to a link");
  if (Status s = other.volumes.seek(other.current.dataStart); !s) return s;
  if (other.current.info.solid) return Status(Error::unsupported, current.info.name + " copies a member inside a solid stream");
  return other.extractCurrent(sink);
}

}  // namespace rar
