#include "archive/placement.h"

#include <charconv>

#include "archive/cpu_type.h"
#include "startup/tools.h"

namespace archive {

namespace {

constexpr size_t kShortString = 255;

// The date form's number: decimal, optionally negative, nothing else.
std::optional<int64_t> DateNumber(std::string_view text) {
  int64_t n = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first == last) return std::nullopt;
  const auto [end, error] = std::from_chars(first, last, n);
  if (error != std::errc() || end != last) return std::nullopt;
  return n;
}

bool TargetExists(platform::FileSystem& files, const std::string& path) { return files.fileExists(path); }

}  // namespace

bool CpuConditionHolds(int32_t condition, int32_t family) {
  if (condition == 0) return true;
  const int32_t level = condition & ~int32_t{1};
  return (condition & 1) != 0 ? family >= level : family == level;
}

bool OsConditionHolds(const startup::SetupContext& ctx, int32_t condition, const std::string& memberName) {
  const uint8_t kind = ctx.model.OsKind;
  switch (condition) {
    case 0: return true;
    case 1: return !ctx.model.CheckFile || ctx.model.CheckFile(memberName);
    case 95: return kind == startup::okWin95;
    case 98: return kind == startup::okWin98;
    case 99: return kind == startup::okWin95 || kind == startup::okWin98;
    case 2000: return kind == startup::okNT;
    default: return false;
  }
}

bool PackageFileIsNewer(platform::FileSystem& files, const std::string& version, const std::string& path) {
  if (!version.empty() && version[0] == 'd') {
    const platform::Result<platform::DosDateTime> age = files.fileAge(path);
    const int64_t existing = age.ok() ? static_cast<int64_t>(age.value()) : -1;
    const std::optional<int64_t> packaged = DateNumber(std::string_view(version).substr(1));
    // A date the script spells wrongly cannot be compared: the package's
    // file then only goes where no file is.
    if (!packaged) return existing < 0;
    return *packaged > existing;
  }
  const platform::Result<platform::VersionInfo> info = files.versionInfo(path);
  if (!info.ok() || !info->present) return true;
  return startup::CompareVersions(info->text(), version) < 0;
}

Decision DecideMember(startup::SetupContext& ctx, PackageUi& ui, std::optional<size_t> item,
                      const std::string& memberName) {
  Decision d;
  startup::SetupDataModel& m = ctx.model;
  if (!item || *item >= m.FilesData.size()) return d;
  startup::FileItem& file = m.FilesData[*item];
  const size_t groupIndex = static_cast<size_t>(file.GroupIndex);
  if (file.GroupIndex < 0 || groupIndex >= m.TGroups.size()) return d;
  startup::TGroup& group = m.TGroups[groupIndex];

  uint8_t op = file.Selected ? kExtract : kSkip;
  if (op == kExtract && file.CpuCondition != 0 &&
      !CpuConditionHolds(file.CpuCondition, ProcessorFamily(ctx.os.system())))
    op = kSkip;
  if (op == kExtract && file.OsCondition != 0 && !OsConditionHolds(ctx, file.OsCondition, memberName)) op = kSkip;
  const bool log = file.UninstallLogged && !group.SharedFiles;
  const std::string path = (file.TargetDir.str() + file.TargetName.str()).substr(0, kShortString);

  if (op == kExtract && group.InstallMode != startup::imAlways) {
    platform::FileSystem& fs = ctx.os.files();
    const uint8_t mode = group.InstallMode;
    const bool asks = mode == startup::imAskOverwrite || mode == startup::imAskUpdate || mode == startup::imAskFreshen;
    if (asks && group.OverwriteAnswer == startup::oaNoForAll) {
      op = kSkip;
    } else if (asks && group.OverwriteAnswer == startup::oaYesForAll) {
      // Yes for all: neither question nor test.
    } else {
      if (file.Version.empty()) file.Version = "d0";
      const std::string& version = file.Version.str();
      auto ask = [&] { return static_cast<uint8_t>(ui.askOverwrite(groupIndex, *item)); };
      switch (mode) {
        case startup::imUpdate:
          op = !TargetExists(fs, path) || PackageFileIsNewer(fs, version, path) ? kExtract : kSkip;
          break;
        case startup::imFreshen: op = TargetExists(fs, path) ? kExtract : kSkip; break;
        case startup::imBDE:
          op = ctx.run.has(startup::eaInstallFiles) && PackageFileIsNewer(fs, version, path) ? kExtract : kSkip;
          break;
        case startup::imAskOverwrite: op = TargetExists(fs, path) ? ask() : kExtract; break;
        case startup::imAskUpdate:
          if (TargetExists(fs, path)) {
            op = ask();
            if (op == kExtract && !PackageFileIsNewer(fs, version, path)) op = kSkip;
          }
          break;
        case startup::imAskFreshen: op = TargetExists(fs, path) ? ask() : kSkip; break;
        case startup::imNew: op = TargetExists(fs, path) ? kSkip : kExtract; break;
        default: break;
      }
      if (op != kSkip) op = kExtract;
    }
  }

  if (op != kExtract) return d;
  const size_t cut = path.find_last_of("\\:");
  std::string directory = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
  // An unresolved path macro: the file has nowhere to go.
  if (directory.find("::") != std::string::npos) return d;
  d.op = kExtract;
  d.name = cut == std::string::npos ? path : path.substr(cut + 1);
  d.directory = std::move(directory);
  d.log = log;
  if (group.SharedFiles) ctx.run.SharedFileIndexes.push_back(static_cast<int32_t>(*item));
  return d;
}

}  // namespace archive
