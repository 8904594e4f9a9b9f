#include "process/steps.h"

#include <limits>
#include <optional>
#include <unordered_set>

#include "actions/com_registration.h"
#include "actions/shell_links.h"
#include "process/selection.h"
#include "process/texts.h"
#include "startup/tools.h"
#include "startup/uninstall_lines.h"
#include "text/codepage.h"

namespace process {

namespace {

namespace log = startup::log;
using platform::Access;
using platform::Root;
using platform::Value;
using platform::ValueType;

startup::MacroEnvironment Env(startup::SetupContext& ctx) { return startup::MacroEnvironment{ctx.model, ctx.os}; }

// The text after the last backslash or colon.
std::string NamePart(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string DirectoryPart(const std::string& path) {
  const size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// A path no step may act on: blank, or holding an unresolved macro.
bool Unusable(const std::string& path) { return startup::IsBlank(path) || startup::IsUnresolvedPath(path); }

// Creates the missing levels of `dir` without recording them (the
// uninstaller's own directory is not part of the package).
void CreateMissingLevels(platform::FileSystem& fs, const std::string& dir) {
  std::string level;
  size_t start = 0;
  while (start < dir.size()) {
    size_t cut = dir.find('\\', start);
    if (cut == std::string::npos) cut = dir.size();
    level = dir.substr(0, cut);
    start = cut + 1;
    if (level.empty() || level.back() == ':' || level.size() == 2) continue;  // drive root
    if (!fs.directoryExists(level)) static_cast<void>(fs.createDirectory(level));
  }
}

std::string LittleEndian32(uint32_t v) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return bytes;
}

uint32_t ReadLittleEndian32(const std::string& bytes) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[i]);
  return v;
}

// Splits a text file into lines at CR LF, LF or a lone CR; a final line
// break ends the last line and adds none.
startup::StringList SplitLines(const std::string& text) {
  startup::StringList lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

}  // namespace

// --- step 4 ---

std::string TitleCaption(const startup::SetupContext& ctx) { return ctx.model.Main.Title.substr(0, 200); }

void StartUninstallLog(startup::SetupContext& ctx) {
  startup::StringList& lines = ctx.lists.UninstallLines;
  lines.clear();
  lines.push_back(log::kHeader);
  lines.push_back(TitleCaption(ctx));
}

// --- steps 7 and 8 ---

void PreparePaths(startup::SetupContext& ctx) {
  startup::SetupDataModel& m = ctx.model;
  const startup::MacroEnvironment env = Env(ctx);
  for (startup::DirEntry& d : m.Dirs) d.Dir = startup::ExpandPathMacros(env, d.Dir);
  for (startup::FileItem& f : m.FilesData)
    f.TargetDir = startup::NormalizeDir(startup::ExpandPathMacros(env, f.TargetDir.str()));
  for (std::string& r : m.RemoveFiles) r = startup::ExpandPathMacros(env, r);
}

void RemoveListedFiles(startup::SetupContext& ctx) {
  platform::FileSystem& fs = ctx.os.files();
  for (const std::string& path : ctx.model.RemoveFiles) {
    if (Unusable(path) || !fs.fileExists(path)) continue;
    if (fs.removeFile(path).ok()) continue;
    const auto info = fs.stat(path);
    if (!info.ok()) continue;
    uint32_t attributes = info->attributes & ~platform::attr::readOnly;
    if (attributes == 0) attributes = platform::attr::normal;
    static_cast<void>(fs.setAttributes(path, attributes));
    static_cast<void>(fs.removeFile(path));  // a second failure is passed over
  }
  ctx.window.include(startup::afFilesRemoved);
}

// --- step 11 ---

void UnregisterReplacedServers(startup::SetupContext& ctx) {
  const startup::MacroEnvironment env = Env(ctx);
  // The entries are copied: a registration call must not see the list move.
  const startup::StringList entries = ctx.model.OCX;
  for (const std::string& entry : entries) {
    const std::string kind = startup::CommaField(entry, 1);
    const std::string file = startup::CommaField(entry, 2);
    if (!IsMemberSelected(ctx.model, file)) continue;
    if (!actions::CheckInstalledServer(ctx, entry, 1)) continue;
    const std::string path = startup::ExpandPathMacros(env, file);
    if (Unusable(path)) continue;
    // Only the exact word selects a server here; step 30 upper-cases it.
    if (kind == "OCX") {
      static_cast<void>(actions::RegisterServer(ctx, path, actions::kUnregister));
    } else {
      static_cast<void>(actions::RegisterTypeLibrary(ctx, path, actions::kUnregister));
    }
  }
}

// --- step 14 ---

void CountSharedFiles(startup::SetupContext& ctx) {
  if (ctx.run.SharedFileIndexes.empty()) return;
  auto key = ctx.os.registry().open(Root::localMachine, kSharedDllsKey, Access::all);
  if (!key.ok()) return;  // no key: nothing is counted, no line is written
  const auto& files = ctx.model.FilesData;
  for (const int32_t index : ctx.run.SharedFileIndexes) {
    if (index < 0 || static_cast<size_t>(index) >= files.size()) return;
    const std::string path = TargetPath(files[static_cast<size_t>(index)]);
    const auto old = (*key)->read(path);
    std::optional<Value> next;
    if (old.ok()) {
      const bool four = old->data.size() == 4;
      int64_t count = 0;
      if (old->type == ValueType::dword && four) {
        count = static_cast<int64_t>(static_cast<int32_t>(old->asDword())) + 1;
        if (count > 0 && count <= std::numeric_limits<int32_t>::max())
          next = Value::dword(static_cast<uint32_t>(count));
      } else if (old->type == ValueType::binary && four) {
        count = static_cast<int64_t>(static_cast<int32_t>(ReadLittleEndian32(old->data))) + 1;
        if (count > 0 && count <= std::numeric_limits<int32_t>::max())
          next = Value::binaryData(LittleEndian32(static_cast<uint32_t>(count)));
      }
      // Any other type or size is left as it is.
    } else if (old.status().code() == platform::Code::notFound) {
      next = Value::binaryData(LittleEndian32(1));
    } else {
      return;
    }
    if (next && !(*key)->write(path, *next).ok()) return;
    ctx.lists.UninstallLines.push_back(std::string(log::kRegSharedIncrement) + path);
  }
}

// --- step 18 ---

void CountEngineUse(startup::SetupContext& ctx) {
  if (!ctx.run.has(startup::eaCountUse)) return;
  auto key = ctx.os.registry().open(Root::localMachine, kEngineKey, Access::all);
  if (!key.ok()) return;
  const auto old = (*key)->read("UseCount");
  const std::string text = old.ok() && old->isText() ? old->data : std::string("0");
  const int64_t count = static_cast<int64_t>(NumberOrZero(text)) + 1;
  // The line tells the uninstaller to lower the count again: only a count
  // that was really raised gets one.
  if ((*key)->write("UseCount", Value::text(std::to_string(count))).ok())
    ctx.lists.UninstallLines.push_back(log::kUseBde);
}

// --- step 22 ---

void CopyUninstaller(startup::SetupContext& ctx, InstallerUi& ui) {
  std::string& target = ctx.model.Main.UFile;
  target = startup::ExpandPathMacrosTrimmed(Env(ctx), target);
  if (Unusable(target)) return;
  platform::FileSystem& fs = ctx.os.files();
  const auto temp = fs.tempPath();
  if (!temp.ok()) return;
  const std::string name = NamePart(target);
  if (name.empty()) return;
  const std::string source = startup::NormalizeDir(*temp) + name;
  if (!fs.fileExists(source)) return;
  if (fs.fileExists(target)) {
    auto versionOf = [&fs](const std::string& path) {
      const auto v = fs.versionInfo(path);
      return v.ok() ? v->text() : std::string();
    };
    if (startup::CompareVersions(versionOf(source), versionOf(target)) <= 0) return;
  }
  ui.setFileCaption(name);
  ui.setFileProgress(0, 100);
  ui.processMessages();
  CreateMissingLevels(fs, DirectoryPart(target));
  // A failed copy leaves what was there; the registration below only names
  // an uninstaller that exists.
  static_cast<void>(fs.copyFile(source, target, false));
  ui.setFileProgress(100, 100);
  ui.processMessages();
}

// --- step 25 ---

void RegisterUninstall(startup::SetupContext& ctx) {
  const startup::MainSettings& m = ctx.model.Main;
  platform::FileSystem& fs = ctx.os.files();
  if (Unusable(m.UFile) || !fs.fileExists(m.UFile) || startup::IsBlank(m.UKey)) return;
  auto key = ctx.os.registry().create(Root::localMachine, std::string(kUninstallKey) + m.UKey);
  if (!key.ok()) return;
  ctx.lists.UninstallLines.push_back(std::string(log::kRegEntry) + m.UKey);
  static_cast<void>((*key)->write("DisplayName", Value::text(TitleCaption(ctx))));
  // The short form keeps the command free of blanks; a path the system
  // cannot shorten (or that would not fit its 511-character buffer) is
  // written as it is rather than left out.
  const auto shortPath = fs.shortPath(m.UFile);
  const std::string program = shortPath.ok() && !shortPath->empty() && shortPath->size() <= 510 ? *shortPath : m.UFile;
  static_cast<void>((*key)->write("UninstallString", Value::text(program + " \"" + m.LogFile + "\"")));
}

// --- step 26 ---

ShellLinkEntry ParseShellLinkEntry(const startup::MacroEnvironment& env, const std::string& entry) {
  ShellLinkEntry link;
  const std::string filled = startup::FillEmptyFields(entry, ',', "-");
  const size_t slash = filled.find('\\');
  link.keyword = text::upper1251(filled.substr(0, slash));
  const std::string all = startup::CommaField(filled, 8);
  link.allUsers = all != "0";
  struct Keyword {
    const char* word;
    int user;
    int common;
  };
  static constexpr Keyword kKeywords[] = {
      {"PROGRAMS", platform::csidl::programs, platform::csidl::commonPrograms},
      {"DESKTOP", platform::csidl::desktop, platform::csidl::commonDesktopDirectory},
      {"STARTUP", platform::csidl::startup, platform::csidl::commonStartup},
      {"STARTMENU", platform::csidl::startMenu, platform::csidl::commonStartMenu},
  };
  if (slash == std::string::npos) return link;  // the keyword runs into the fields: unknown
  for (const Keyword& k : kKeywords) {
    if (link.keyword == k.word) {
      link.known = true;
      link.csidl = link.allUsers ? k.common : k.user;
    }
  }
  if (!link.known) return link;
  const std::string location = startup::CommaField(filled, 1);
  if (location.size() > link.keyword.size() + 1) link.subFolder = location.substr(link.keyword.size() + 1, 256);
  link.targetName = startup::CommaField(filled, 2);
  const std::string arguments = startup::CommaField(filled, 3);
  link.arguments = arguments == "-" ? std::string() : arguments;
  link.description = startup::CommaField(filled, 4);
  const std::string work = startup::ExpandPathMacros(env, startup::CommaField(filled, 5));
  link.workingDirectory = work == "-" ? std::string() : work;
  const std::string icon = startup::ExpandPathMacros(env, startup::CommaField(filled, 6));
  if (icon != "-") {
    link.iconFile = icon;
    link.iconIndex = NumberOrZero(startup::CommaField(filled, 7));
  }
  return link;
}

void CreateLinks(startup::SetupContext& ctx, InstallerUi& ui) {
  const startup::MacroEnvironment env = Env(ctx);
  const startup::StringList entries = ctx.model.ShellLinks;
  const int count = static_cast<int>(entries.size());
  for (int i = 0; i < count; ++i) {
    ui.setFileProgress(i + 1, count);
    ui.processMessages();
    const ShellLinkEntry link = ParseShellLinkEntry(env, entries[static_cast<size_t>(i)]);
    if (!link.known) continue;
    // A link to a file the table does not name, or whose directory could
    // not be resolved, would start the wrong program or none: no link.
    const auto target = ctx.model.FindFileItem(link.targetName, false);
    if (!target) continue;
    const std::string targetPath = TargetPath(ctx.model.FilesData[*target]);
    if (Unusable(targetPath)) continue;
    if (!actions::ShellFolderExists(ctx, link.csidl, link.subFolder)) {
      const size_t known = ctx.lists.CreatedShellFolders.size();
      const auto folder = actions::CreateShellFolder(ctx, link.csidl, link.subFolder);
      // Every level made, parents first: the uninstaller takes the lines
      // newest first, so an emptied parent goes after its subfolder.
      if (folder.ok()) {
        const auto& made = ctx.lists.CreatedShellFolders;
        for (size_t level = known; level < made.size(); ++level)
          ctx.lists.UninstallLines.push_back(std::string(log::kShellFolder) + made[level]);
      }
    }
    actions::LinkFields fields;
    fields.target = targetPath;
    fields.arguments = link.arguments;
    fields.description = link.description;
    fields.workingDirectory = link.workingDirectory;
    fields.iconFile = link.iconFile;
    fields.iconIndex = link.iconIndex;
    const auto made = actions::CreateShellLink(ctx, link.csidl, link.subFolder, fields);
    if (made.ok()) ctx.lists.UninstallLines.push_back(std::string(log::kShellLink) + *made);
  }
}

// --- step 30 ---

void RegisterComServers(startup::SetupContext& ctx, InstallerUi& ui) {
  const startup::MacroEnvironment env = Env(ctx);
  const startup::StringList entries = ctx.model.OCX;
  std::unordered_set<std::string> placed;
  if (!entries.empty())
    for (const std::string& p : ctx.lists.PlacedFiles) placed.insert(text::upper1251(p));
  const int count = static_cast<int>(entries.size());
  for (int i = 0; i < count; ++i) {
    ui.setFileProgress(i + 1, count);
    ui.processMessages();
    const std::string& entry = entries[static_cast<size_t>(i)];
    const std::string kind = text::upper1251(startup::CommaField(entry, 1));
    const std::string path = startup::ExpandPathMacrosTrimmed(env, startup::CommaField(entry, 2));
    if (placed.count(text::upper1251(path)) == 0) continue;
    if (actions::CheckInstalledServer(ctx, entry, 0)) continue;
    const char* good = nullptr;
    const char* bad = nullptr;
    actions::RegisterResult result;
    if (kind == "OCX") {
      result = actions::RegisterServer(ctx, path, actions::kRegister);
      good = log::kOcx;
      bad = log::kOcxError;
    } else if (kind == "TLB") {
      result = actions::RegisterTypeLibrary(ctx, path, actions::kRegister);
      good = log::kTlb;
      bad = log::kTlbError;
    } else {
      continue;
    }
    if (result == actions::Success) {
      ctx.lists.UninstallLines.push_back(good + path);
    } else if (const std::string word = actions::RegisterResultWord(result); !word.empty()) {
      ctx.lists.UninstallLines.push_back(bad + path + log::kErrorCode + word);
    }
  }
}

// --- step 34 ---

void ExpandConfigurationFiles(startup::SetupContext& ctx, InstallerUi& ui) {
  const startup::MacroEnvironment env = Env(ctx);
  platform::FileSystem& fs = ctx.os.files();
  const auto& files = ctx.model.FilesData;
  const int count = static_cast<int>(files.size());
  for (int i = 0; i < count; ++i) {
    ui.setFileProgress(i + 1, count);
    ui.processMessages();
    const startup::FileItem& item = files[static_cast<size_t>(i)];
    if (!item.ConfigFile) continue;
    const std::string path = TargetPath(item);
    if (Unusable(path) || !fs.fileExists(path)) continue;
    const auto content = platform::readWholeFile(fs, path);
    if (!content.ok()) continue;
    std::string expanded;
    for (const std::string& line : SplitLines(*content)) expanded += startup::ExpandPathMacros(env, line) + "\r\n";
    // Written beside the file first and then put in its place: a write
    // that fails half-way must not cost the configuration it had.
    const auto temp = startup::TempFileBeside(fs, path);
    if (!temp.ok()) continue;
    if (!platform::writeWholeFile(fs, *temp, expanded).ok() || !fs.removeFile(path).ok()) {
      static_cast<void>(fs.removeFile(*temp));
      continue;
    }
    if (!fs.rename(*temp, path).ok()) {
      if (fs.copyFile(*temp, path, false).ok()) static_cast<void>(fs.removeFile(*temp));
    }
  }
}

// --- step 35 ---

std::string UninstallLogText(const startup::StringList& lines) {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

void WriteUninstallLog(startup::SetupContext& ctx) {
  const std::string& path = ctx.model.Main.LogFile;
  if (Unusable(path)) return;
  platform::FileSystem& fs = ctx.os.files();
  if (fs.fileExists(path)) static_cast<void>(fs.removeFile(path));
  static_cast<void>(platform::writeWholeFile(fs, path, UninstallLogText(ctx.lists.UninstallLines)));
}

}  // namespace process
