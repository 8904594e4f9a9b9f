#include "rar/read/archive.h"

#include "rar/read/archive_impl.h"
#include "rar/read/names.h"

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
        // Only a volume set continues: an end block saying "more volumes"
        // in an archive that is no volume must not pull in whatever file
        // carries the next name.
        if (b->moreVolumes && a.info.volume) {
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
        // RAR 5 archives always end with an end block: without it the
        // archive was cut (at a block boundary, or it would have failed
        // in a header).
        if (a.info.format == Format::rar50) {
          a.failure = Status(Error::truncated, "the archive ends without its end block: " + a.volumes.path());
          return a.failure;
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
        if (!a.current.info.isDirectory && (a.current.info.link == LinkKind::none || a.current.info.link == LinkKind::fileCopy))
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

namespace {

// A name beside `path` for the member while it is written and checked.
std::string temporaryName(FileSystem& fs, const std::string& path) {
  std::string name = path + ".partial";
  for (int i = 1; i < 1000 && (fs.exists(name) || fs.isSymlink(name)); ++i) name = path + ".partial" + std::to_string(i);
  return name;
}

}  // namespace

Status Archive::extractToFile(const std::string& path) { return extractToFile(impl_->fs, path); }

Status Archive::extractToFile(FileSystem& out, const std::string& path) {
  Impl& a = *impl_;
  if (!a.haveMember) return Status(Error::corruptHeader, "no current member");
  const MemberInfo& m = a.current.info;
  if (m.headerDamaged) {
    NullSink none;  // refused before anything is written
    return a.extractCurrent(none);
  }
  if (m.isDirectory) {
    if (Status s = out.createDirectories(path); !s) {
      if (Status p = a.passOverData(); !p) return p;
      return s;
    }
    return a.passOverData();
  }
  if (m.link != LinkKind::none && m.link != LinkKind::fileCopy) return a.passOverData();
  // Written under another name and renamed over the target once it has
  // checked out: a damaged member never destroys a good file of that name.
  const bool viaTemporary = out.canReplace();
  const std::string written = viaTemporary ? temporaryName(out, path) : path;
  auto file = out.create(written);
  if (!file) {
    if (Status p = a.passOverData(); !p) return p;
    return file.status();
  }
  if (m.sizeKnown) (*file)->expectSize(m.unpackedSize);
  Status s = a.extractCurrent(**file);
  if (s) s = (*file)->close();
  if (s && m.hasMtime && m.format == Format::rar50) s = (*file)->setModificationTime(m.mtime);
  file->reset();
  if (s && viaTemporary) s = out.replace(written, path);
  if (!s) out.remove(written);
  return s;
}

Status Archive::test() {
  NullSink sink;
  return extract(sink);
}

Status Archive::Impl::extractCopy(OutputSink& sink) {
  // The original may itself be a copy; a chain is followed a few steps.
  std::string target = normalizeSeparators50(current.info.linkTarget);
  for (int depth = 0;; ++depth) {
    auto it = locations.find(target);
    if (it == locations.end())
      return Status(Error::corruptData, current.info.name + " is a copy of " + target + ", which is not in the archive before it");
    // A second reader positioned at the earlier member's header. It neither
    // reports data nor counts it: the copy's own output does both.
    ArchiveOptions quiet = options;
    quiet.onData = nullptr;
    quiet.maxOutput = 0;
    Impl other(fs, quiet);
    other.info = info;
    if (Status s = other.volumes.open(it->second.volumePath); !s) return s;
    other.volumes.setIndex(it->second.volumeIndex);
    if (Status s = other.readVolumeStart(it->second.volumeIndex == 0); !s) return s;
    other.nextBlock = it->second.blockStart;
    auto b = other.readBlock();
    if (!b) return b.status();
    if (b->kind != BlockKind::file) return Status(Error::corruptHeader, "the original of " + current.info.name + " cannot be read again");
    other.current = std::move(b->file);
    if (other.current.info.link == LinkKind::fileCopy) {
      if (depth >= 8) return Status(Error::corruptData, current.info.name + " is a copy of a copy, and so on, too many times");
      target = normalizeSeparators50(other.current.info.linkTarget);
      continue;
    }
    other.haveMember = true;
    other.dataDone = false;
    other.partRemaining = other.current.dataSize;
    other.partSplitAfter = other.current.info.splitAfter;
    if (other.current.info.link != LinkKind::none) return Status(Error::corruptData, current.info.name + " is a copy of a link");
    if (Status s = other.volumes.seek(other.current.dataStart); !s) return s;
    if (other.current.info.solid) return Status(Error::unsupported, current.info.name + " copies a member inside a solid stream");
    return other.extractCurrent(sink);
  }
}

}  // namespace rar
