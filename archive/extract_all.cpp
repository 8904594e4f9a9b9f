#include "archive/extract_all.h"

#include "archive/platform_streams.h"
#include "rar/read/archive.h"
#include "startup/tools.h"
#include "text/codepage.h"

namespace archive {

namespace {

// Windows opens these names as devices in any directory, with any extension.
bool IsDeviceName(const std::string& piece) {
  std::string base = piece.substr(0, piece.find('.'));
  for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

}  // namespace

std::optional<std::string> SafeMemberPath(const std::string& utf8Name) {
  const std::string name = text::fromUtf8(text::CodePage::cp1251, utf8Name);
  if (name.empty() || name.front() == '/' || name.front() == '\\') return std::nullopt;
  if (name.find(':') != std::string::npos) return std::nullopt;  // drives and alternate streams
  std::string path;
  size_t pos = 0;
  while (pos <= name.size()) {
    size_t end = name.find_first_of("/\\", pos);
    if (end == std::string::npos) end = name.size();
    const std::string piece = name.substr(pos, end - pos);
    if (piece == ".." || IsDeviceName(piece)) return std::nullopt;
    if (!piece.empty() && piece != ".") {
      if (!path.empty()) path += '\\';
      path += piece;
    }
    pos = end + 1;
  }
  if (path.empty()) return std::nullopt;
  return path;
}

ExtractAllResult ExtractAll(platform::FileSystem& fs, const std::string& archivePath, const std::string& destination,
                            const std::string& password, std::vector<std::string>* extracted) {
  PlatformArchiveFiles files(fs);
  rar::ArchiveOptions options;
  if (!password.empty()) options.password = rar::Password::fromOem866(password);
  auto opened = rar::Archive::open(files, archivePath, std::move(options));
  if (!opened.ok()) return {ExtractOutcome::cannotOpen, {}, opened.status()};
  rar::Archive& archive = *opened.value();

  const std::string root = startup::NormalizeDir(destination);
  for (;;) {
    auto next = archive.readHeader();
    if (!next.ok()) return {ExtractOutcome::memberFailed, {}, next.status()};
    if (!next.value()) return {};
    const rar::MemberInfo& member = archive.member();
    const std::string shownName = text::fromUtf8(text::CodePage::cp1251, member.name);
    const auto relative = SafeMemberPath(member.name);
    if (!relative) {
      return {ExtractOutcome::memberFailed, shownName,
              rar::Status(rar::Error::unsafePath, "the member name leaves the destination directory")};
    }
    const std::string target = root + *relative;
    if (extracted != nullptr) extracted->push_back(target);

    rar::Status status;
    if (member.isDirectory) {
      status = files.createDirectories(target);
      if (status.ok()) status = archive.skip();
    } else {
      const size_t cut = target.rfind('\\');
      status = files.createDirectories(target.substr(0, cut));
      if (status.ok()) status = archive.extractToFile(target);
    }
    if (!status.ok()) return {ExtractOutcome::memberFailed, shownName, status};
  }
}

}  // namespace archive
