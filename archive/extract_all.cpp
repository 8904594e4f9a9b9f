#include "archive/extract_all.h"

#include "archive/platform_streams.h"
#include "rar/extract/safe_path.h"
#include "rar/read/archive.h"
#include "startup/tools.h"
#include "text/codepage.h"

namespace archive {

rar::Result<std::string> SafeMemberPath(const std::string& utf8Name) {
  auto checked = rar::safeRelativePath(utf8Name);
  if (!checked.ok()) return checked.status();
  std::string path = text::fromUtf8(text::CodePage::cp1251, checked.value());
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
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
    auto relative = SafeMemberPath(member.name);
    if (!relative.ok()) return {ExtractOutcome::memberFailed, shownName, relative.status()};
    const std::string target = root + relative.value();
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
