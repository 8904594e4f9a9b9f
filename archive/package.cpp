#include "archive/package.h"

#include <climits>
#include <memory>
#include <optional>

#include "actions/directories.h"
#include "archive/member_index.h"
#include "archive/placement.h"
#include "archive/platform_streams.h"
#include "platform/profile.h"
#include "rar/read/archive.h"
#include "startup/tools.h"
#include "startup/uninstall_lines.h"
#include "text/codepage.h"

namespace archive {

std::string TargetInUseText(const std::string& path) {
  return "Файл " + path +
         " заменить не удалось. Вероятно, он занят другой программой. В дальнейшем программа может работать "
         "некорректно и потребуется ее повторная установка.";
}

namespace {

int ClampToInt(uint64_t v) { return v > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(v); }

// The member's name as the engine's texts are: code page 1251 with
// backslashes.
std::string EngineName(const rar::MemberInfo& member) {
  std::string name = text::fromUtf8(text::CodePage::cp1251, member.name);
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

// A directory as the file functions take it: without its trailing
// backslash, except for a drive's root.
std::string DirectoryPath(const std::string& dir) {
  if (dir.size() > 1 && dir.back() == '\\' && !(dir.size() == 3 && dir[1] == ':')) return dir.substr(0, dir.size() - 1);
  return dir;
}

platform::FileTime UnixToFileTime(int64_t seconds, uint32_t nanos) {
  constexpr int64_t kEpochDifference = 11644473600;  // 1601-01-01 to 1970-01-01
  return static_cast<platform::FileTime>((seconds + kEpochDifference) * 10000000 + nanos / 100);
}

enum class Replacement {
  replaced,  // the target holds the new file
  inUse,     // the target cannot go now; it and the new file are unchanged
  failed,    // the exchange did not happen; the target is unchanged
};

class PackageExtraction {
 public:
  PackageExtraction(startup::SetupContext& ctx, PackageUi& ui, actions::RunEnd& end)
      : ctx_(ctx), ui_(ui), end_(end), files_(ctx.os.files()), streams_(files_), index_(ctx.model.FilesData),
        overallMax_(ClampToInt(ctx.model.FilesData.size())) {}

  enum class Read { member, end, stopped, failed };

  bool OpenPackage();
  Read ReadNextMember();
  bool PlaceMember();
  void ClosePackage() { archive_.reset(); }

  // Reports kind 2 with `detail` after closing the archive; always false.
  bool Fail(const std::string& detail);

 private:
  bool VolumeCallback(rar::VolumeEvent event, std::string& path);
  bool DataCallback(size_t size);

  // The current member into `path`; on failure nothing of it is left there.
  bool ExtractTo(const std::string& path);
  void Discard(const std::string& path);
  void ApplyMemberTime(const std::string& path);
  Replacement ReplaceTarget(const std::string& target, const std::string& fresh);
  bool RegisterReplacement(const std::string& target, const std::string& fresh);
  void Record(const std::string& path, bool log, bool keep);

  startup::SetupContext& ctx_;
  PackageUi& ui_;
  actions::RunEnd& end_;
  platform::FileSystem& files_;
  PlatformArchiveFiles streams_;
  const MemberIndex index_;
  std::unique_ptr<rar::Archive> archive_;

  // The header last read: its name, its file table entry, its progress.
  std::string memberName_;
  std::optional<size_t> item_;
  std::string knownDirectory_;
  int fileMax_ = 0;
  int filePosition_ = 0;
  int overall_ = 0;
  const int overallMax_;
};

bool PackageExtraction::Fail(const std::string& detail) {
  ClosePackage();
  actions::ReportActionError(ctx_, end_, actions::aeMessage, detail);
  return false;
}

bool PackageExtraction::OpenPackage() {
  rar::ArchiveOptions options;
  // Every member is opened with the package password, encrypted or not.
  if (!ctx_.model.ArchivePassword.empty()) options.password = rar::Password::fromOem866(ctx_.model.ArchivePassword);
  options.onVolume = [this](rar::VolumeEvent event, std::string& path) { return VolumeCallback(event, path); };
  options.onData = [this](const uint8_t*, size_t size) { return DataCallback(size); };
  auto opened = rar::Archive::open(streams_, ctx_.model.SourceDir + kPackageArchiveName, std::move(options));
  if (!opened.ok()) {
    actions::ReportActionError(ctx_, end_, actions::aeMessage, actions::kOpenArchiveFailed);
    return false;
  }
  archive_ = std::move(opened.value());
  return true;
}

PackageExtraction::Read PackageExtraction::ReadNextMember() {
  const rar::Result<bool> next = archive_->readHeader();
  ui_.processMessages();
  // At the end (or a failure) the display shows the last header once more.
  if (next.ok() && next.value()) {
    const rar::MemberInfo& member = archive_->member();
    memberName_ = EngineName(member);
    item_ = index_.find(memberName_);
    fileMax_ = ClampToInt(member.unpackedSize >> 10);
  }
  filePosition_ = 0;
  ui_.setFileProgress(filePosition_, fileMax_);
  ui_.setOverallProgress(++overall_, overallMax_);
  ui_.setFileCaption(item_ ? ctx_.model.FilesData[*item_].TargetName.str() : std::string());
  ui_.processMessages();
  if (!next.ok()) {
    // A cancelled volume prompt (or Break) while the header was read ends
    // the loop like a break between members. Any other failure means the
    // package is damaged or cut short: the members after it are lost.
    return ctx_.window.BreakRequested ? Read::stopped : Read::failed;
  }
  return next.value() ? Read::member : Read::end;
}

bool PackageExtraction::VolumeCallback(rar::VolumeEvent event, std::string& path) {
  if (event == rar::VolumeEvent::missing) {
    if (std::optional<std::string> answer = ui_.askForVolume(path)) path = std::move(*answer);
  }
  ui_.processMessages();
  return !ctx_.window.BreakRequested;
}

bool PackageExtraction::DataCallback(size_t size) {
  filePosition_ += static_cast<int>(size / 1024);
  ui_.setFileProgress(filePosition_, fileMax_);
  ui_.processMessages();
  return !ctx_.window.BreakRequested;
}

void PackageExtraction::Discard(const std::string& path) {
  if (!files_.fileExists(path)) return;
  // What cannot go now goes with the rollback or at close.
  if (!files_.removeFile(path).ok()) ctx_.lists.TempFileList.push_back(path);
}

void PackageExtraction::ApplyMemberTime(const std::string& path) {
  const rar::MemberInfo& member = archive_->member();
  // The placed file carries the package's date, which later installations
  // compare with; a date that cannot be set leaves the file as it is.
  platform::Status s;
  if (member.format == rar::Format::rar50 && member.hasMtime)
    s = files_.setWriteTime(path, UnixToFileTime(member.mtime, member.mtimeNanos));
  else if (member.dosTime != 0)
    s = files_.setFileAge(path, member.dosTime);
  static_cast<void>(s);
}

bool PackageExtraction::ExtractTo(const std::string& path) {
  const rar::Status s = archive_->extractToFile(path);
  ui_.processMessages();
  if (!s.ok()) {
    Discard(path);
    return false;
  }
  ApplyMemberTime(path);
  return true;
}

// Exchanges `target` for `fresh` (both in one directory) so that no step
// loses the target: it moves aside to a free name, the new file takes its
// place, and only then is the old one deleted. A target that cannot be
// moved or deleted (in use, read-only) is left as it was.
Replacement PackageExtraction::ReplaceTarget(const std::string& target, const std::string& fresh) {
  auto aside = startup::TempFileBeside(files_, target);
  if (!aside.ok()) return Replacement::failed;
  const std::string old = aside.value();
  if (!files_.removeFile(old).ok()) {
    ctx_.lists.TempFileList.push_back(old);
    return Replacement::failed;
  }
  if (!files_.rename(target, old).ok()) return Replacement::inUse;
  if (!files_.rename(fresh, target).ok()) {
    static_cast<void>(files_.rename(old, target));
    return Replacement::failed;
  }
  if (!files_.removeFile(old).ok()) {
    // Moved but not deletable (read-only, or a running program's image):
    // put both back and treat the target as in use.
    static_cast<void>(files_.rename(target, fresh));
    static_cast<void>(files_.rename(old, target));
    return Replacement::inUse;
  }
  return Replacement::replaced;
}

bool PackageExtraction::RegisterReplacement(const std::string& target, const std::string& fresh) {
  if (ctx_.model.OsKind == startup::okNT) return ctx_.os.system().moveAtReboot(fresh, target).ok();
  return platform::writeProfileString(files_, ctx_.model.WindowsDir + "wininit.ini", "Rename", target, fresh).ok();
}

void PackageExtraction::Record(const std::string& path, bool log, bool keep) {
  if (log) ctx_.lists.UninstallLines.push_back(startup::log::kFile + path);
  if (keep) ctx_.lists.PlacedFiles.push_back(path);
}

bool PackageExtraction::PlaceMember() {
  const Decision d = DecideMember(ctx_, ui_, item_, memberName_);
  if (d.op != kExtract) {
    const rar::Status s = archive_->skip();
    ui_.processMessages();
    if (!s.ok()) return Fail(kMemberReadFailed + std::string(item_ ? ctx_.model.FilesData[*item_].TargetName.str()
                                                                    : std::string(NamePart(memberName_))));
    return true;
  }
  const startup::FileItem& file = ctx_.model.FilesData[*item_];
  const std::string failure = kMemberReadFailed + d.name;
  const std::string directory = startup::NormalizeDir(d.directory);
  const std::string target = directory + d.name;

  // Members mostly share their directory: one that was there for the last
  // member is not asked for again.
  if (!directory.empty() && directory != knownDirectory_ && !files_.directoryExists(DirectoryPath(directory))) {
    if (!actions::CreateDirectoryChain(ctx_, end_, DirectoryPath(directory), true)) {
      ClosePackage();
      return false;
    }
  }
  knownDirectory_ = directory;

  if (!files_.fileExists(target)) {
    if (!ExtractTo(target)) return Fail(failure);
    Record(target, d.log, true);
    return true;
  }

  // An existing target is kept until its replacement is complete: the
  // member goes beside it first.
  auto fresh = startup::TempFileBeside(files_, target);
  if (!fresh.ok()) {
    static_cast<void>(archive_->skip());
    return Fail(failure);
  }
  if (!ExtractTo(fresh.value())) return Fail(failure);
  switch (ReplaceTarget(target, fresh.value())) {
    case Replacement::replaced:
      Record(target, d.log, true);
      return true;
    case Replacement::failed:
      Discard(fresh.value());
      return Fail(failure);
    case Replacement::inUse:
      break;
  }
  if (file.ReplaceAtRestart && RegisterReplacement(target, fresh.value())) {
    ctx_.lists.ReplaceTempFiles.push_back(fresh.value());
    ctx_.model.RestartNeeded = true;
    Record(target, d.log, false);
    return true;
  }
  startup::SetupMessage(ctx_.ui, TargetInUseText(target), startup::MessageKind::warning);
  Discard(fresh.value());
  return true;
}

}  // namespace

bool ExtractPackage(startup::SetupContext& ctx, PackageUi& ui, actions::RunEnd& end) {
  PackageExtraction extraction(ctx, ui, end);
  if (!extraction.OpenPackage()) return false;
  for (;;) {
    const PackageExtraction::Read read = extraction.ReadNextMember();
    if (read == PackageExtraction::Read::failed) return extraction.Fail(kMemberReadFailed + std::string(kPackageArchiveName));
    if (read != PackageExtraction::Read::member || ctx.window.BreakRequested) break;
    if (!extraction.PlaceMember()) return false;
  }
  extraction.ClosePackage();
  return true;
}

}  // namespace archive
