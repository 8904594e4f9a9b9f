#include "rar/extract/extract_all.h"

#include <unordered_set>

#include "rar/extract/safe_path.h"

namespace rar {
namespace {

// The first directory on the way to `rel` (under `destination`) that is a
// symbolic link, or empty. Nothing is written through such a link: it could
// have been planted to lead out of the destination.
std::string linkOnTheWay(FileSystem& fs, const std::string& destination, const std::string& rel) {
  for (size_t slash = rel.find('/'); slash != std::string::npos; slash = rel.find('/', slash + 1)) {
    std::string prefix = rel.substr(0, slash);
    if (fs.isSymlink(destination + "/" + prefix)) return prefix;
  }
  return {};
}

}  // namespace

Status extractAll(Archive& archive, FileSystem& fs, const std::string& destination, ExtractReport& report,
                  const std::function<void(const MemberInfo&)>& onMember) {
  Status first;
  auto note = [&](const std::string& member, Status s) {
    if (first) first = s;
    // A member's failure that also ends the archive comes back from the
    // next header read: report it once.
    if (!report.problems.empty() && report.problems.back().status.error() == s.error() &&
        report.problems.back().status.message() == s.message())
      return;
    report.problems.push_back({member, std::move(s)});
  };
  if (Status s = fs.createDirectories(destination); !s) return s;
  // Folders (relative names) this run has created and found free of links
  // on the way: the members after the first of a folder skip both steps.
  std::unordered_set<std::string> readyFolders;
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
    if (m.headerDamaged) {
      // Not even its kind can be trusted: nothing is created for it.
      note(m.name, archive.test());
      continue;
    }
    if (m.link != LinkKind::none && m.link != LinkKind::fileCopy) {
      ++report.linksNotCreated;
      if (Status s = archive.skip(); !s) note(m.name, s);
      continue;
    }
    const std::string target = destination + "/" + *rel;
    const size_t slash = rel->rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : rel->substr(0, slash);
    const bool folderReady = !m.isDirectory && (folder.empty() || readyFolders.count(folder) != 0);
    if (std::string link = folderReady ? std::string() : linkOnTheWay(fs, destination, *rel + (m.isDirectory ? "/" : ""));
        !link.empty()) {
      note(m.name, Status(Error::unsafePath, "not written through the symbolic link " + link));
      if (Status s = archive.skip(); !s) note(m.name, s);
      continue;
    }
    if (m.isDirectory) {
      Status s = fs.createDirectories(target);
      if (s) readyFolders.insert(*rel);
      if (s) s = archive.skip();
      if (s) ++report.directories; else note(m.name, s);
      continue;
    }
    if (!folderReady) {
      if (Status s = fs.createDirectories(destination + "/" + folder); !s) {
        note(m.name, s);
        if (Status k = archive.skip(); !k) note(m.name, k);
        continue;
      }
      readyFolders.insert(folder);
    }
    if (Status s = archive.extractToFile(fs, target); !s) {
      note(m.name, s);
      if (s.error() == Error::aborted) break;
      continue;
    }
    ++report.files;
  }
  return first;
}

}  // namespace rar
