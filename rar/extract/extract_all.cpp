#include "rar/extract/extract_all.h"

#include "rar/extract/safe_path.h"

namespace rar {
namespace {

// The member into a new file of `fs`; a partial file is removed.
Status extractFile(Archive& archive, FileSystem& fs, const std::string& path) {
  auto file = fs.create(path);
  if (!file) {
    if (Status s = archive.skip(); !s) return s;
    return file.status();
  }
  Status s = archive.extract(**file);
  if (s) s = (*file)->close();
  const MemberInfo& m = archive.member();
  if (s && m.hasMtime && m.format == Format::rar50) s = (*file)->setModificationTime(m.mtime);
  if (!s) {
    file->reset();
    fs.remove(path);
  }
  return s;
}

}  // namespace

Status extractAll(Archive& archive, FileSystem& fs, const std::string& destination, ExtractReport& report,
                  const std::function<void(const MemberInfo&)>& onMember) {
  Status first;
  auto note = [&](const std::string& member, Status s) {
    if (first) first = s;
    report.problems.push_back({member, std::move(s)});
  };
  if (Status s = fs.createDirectories(destination); !s) return s;
  for (;;) {
    auto h = archive.readHeader();
    if (!h) {
      note("", h.status());
      break;
    }
    if (!*h) break;
    const MemberInfo& m = archive.member();
    if (onMember) onMember(m);
    auto rel = safeRelativePath(m.name);
    if (!rel) {
      note(m.name, rel.status());
      if (Status s = archive.skip(); !s) note(m.name, s);
      continue;
    }
    if (m.link != LinkKind::none && m.link != LinkKind::fileCopy) {
      ++report.linksNotCreated;
      if (Status s = archive.skip(); !s) note(m.name, s);
      continue;
    }
    const std::string target = destination + "/" + *rel;
    if (m.isDirectory) {
      Status s = fs.createDirectories(target);
      if (s) s = archive.skip();
      if (s) ++report.directories; else note(m.name, s);
      continue;
    }
    size_t slash = rel->rfind('/');
    if (slash != std::string::npos) {
      if (Status s = fs.createDirectories(destination + "/" + rel->substr(0, slash)); !s) {
        note(m.name, s);
        if (Status k = archive.skip(); !k) note(m.name, k);
        continue;
      }
    }
    if (Status s = extractFile(archive, fs, target); !s) {
      note(m.name, s);
      if (s.error() == Error::aborted) break;
      continue;
    }
    ++report.files;
  }
  return first;
}

}  // namespace rar
