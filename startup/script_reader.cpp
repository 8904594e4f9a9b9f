#include "startup/script_reader.h"

#include <stdexcept>

#include "platform/profile.h"
#include "startup/path_macros.h"
#include "startup/tools.h"
#include "text/codepage.h"

namespace startup {
namespace {

inline constexpr const char kMalformedPrefix[] = "Ошибка в файле директив: ";

// A script value the engine cannot work with; caught at the reader's edge.
struct MalformedScript : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The two reading primitives, bound to a current section.
class Section {
 public:
  Section(const platform::ProfileReader& ini, std::string name) : ini_(ini), name_(std::move(name)) {}

  std::string text(const std::string& key, const std::string& fallback = {}) const {
    return ini_.getString(name_, key, fallback, kScriptValueBuffer);
  }
  int32_t integer(const std::string& key, int32_t fallback = 0) const {
    return ParseScriptInteger(text(key)).value_or(fallback);
  }
  bool exactlyOne(const std::string& key) const { return integer(key, 0) == 1; }
  bool nonZero(const std::string& key, int32_t fallback = 0) const { return integer(key, fallback) != 0; }

  // Count, checked against the limits. Negative counts mean "no entries"
  // unless the section forbids them.
  size_t count(bool negativeIsMalformed = false) const {
    int32_t n = integer("Count", 0);
    if (n < 0) {
      if (negativeIsMalformed)
        throw MalformedScript("[" + name_ + "] Count = " + std::to_string(n) + ": отрицательное число записей");
      return 0;
    }
    if (n > kMaxScriptEntries)
      throw MalformedScript("[" + name_ + "] Count = " + std::to_string(n) + ": слишком много записей (допускается не более " +
                            std::to_string(kMaxScriptEntries) + ")");
    return static_cast<size_t>(n);
  }

  IntegerList integerList(const std::string& key) const {
    std::string value = text(key);
    if (IsBlank(value)) return {};
    auto list = ParseIntegerList(value);
    if (!list) throw MalformedScript("[" + name_ + "] " + key + " = \"" + value + "\": ожидается список чисел через запятую");
    return *list;
  }

 private:
  const platform::ProfileReader& ini_;
  std::string name_;
};

std::string numbered(const char* stem, size_t n) { return stem + std::to_string(n); }

uint8_t installModeOfWord(const std::string& word) {
  static const char* const words[] = {"Update", "Freshen", "BDE", "AskOverwrite", "AskUpdate", "AskFreshen", "New"};
  for (uint8_t i = 0; i < 7; ++i)
    if (text::equalsNoCase1251(word, words[i])) return static_cast<uint8_t>(i + 1);
  return imAlways;
}

uint32_t registryItemRoot(const std::string& name) {
  struct Name {
    const char* text;
    platform::Root root;
  };
  static const Name names[] = {
      {"HKEY_LOCAL_MACHINE", platform::Root::localMachine}, {"HKLM", platform::Root::localMachine},
      {"HKEY_CURRENT_USER", platform::Root::currentUser},   {"HKCU", platform::Root::currentUser},
      {"HKEY_CLASSES_ROOT", platform::Root::classesRoot},   {"HKCR", platform::Root::classesRoot},
      {"HKEY_USERS", platform::Root::users},                {"HKU", platform::Root::users},
  };
  for (const auto& n : names)
    if (text::equalsNoCase1251(name, n.text)) return static_cast<uint32_t>(n.root);
  return 0;
}

RegistryItem parseRegistryItem(const std::string& value) {
  RegistryItem item;
  item.Root = registryItemRoot(Field(value, '\\', 1));
  size_t slash = value.find('\\');
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  size_t comma = value.find(',');
  if (comma != std::string::npos && comma > start) item.KeyPath = value.substr(start, comma - start);
  item.DataType = CommaField(value, 2).substr(0, 2);
  item.ValueName = CommaField(value, 3);
  item.Data = CommaField(value, 4);
  return item;
}

void readMain(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "Main");
  MainSettings& m = ctx.model.Main;
  m.Title = s.text("Title");
  ctx.model.ArchivePassword = PackageArchivePassword(m.Title, ctx.conversion);
  m.BDE = s.integer("BDE");
  m.BDEVersion = s.text("BDEVersion");
  m.DiskSize = s.integer("DiskSize");
  m.RunApp = s.exactlyOne("RunApp");
  m.RunFile = s.text("RunFile");
  m.NoLongNames = s.exactlyOne("NoLongNames");
  m.ReadmeView = s.exactlyOne("ReadmeView");
  m.ReadmeFile = s.text("ReadmeFile");
  m.RestartWindows = s.exactlyOne("RestartWindows");
  m.Copyright = s.text("Copyright");
  m.Color = s.integer("Color");
  m.Licence = s.text("Licence");
  m.LogFile = s.text("LogFile", "#WD\\install.log");
  m.UFile = s.text("UFile");
  m.UKey = s.text("UKey");
}

void readAskDirs(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "AskDirs");
  ctx.model.Main.SkipDirDialog = s.integer("SkipDirDialog");
  size_t count = s.count(/*negativeIsMalformed=*/true);
  ctx.model.Dirs.assign(count, DirEntry{});
  for (size_t n = 1; n <= count; ++n) {
    DirEntry& d = ctx.model.Dirs[n - 1];
    d.Dir = s.text(numbered("Dir", n));
    d.Desc = s.text(numbered("Desc", n));
    d.Macro = s.integer(numbered("Macro", n));
    d.Lock = s.nonZero(numbered("Lock", n));
    d.Var = s.text(numbered("Var", n));
    d.Hidden = s.nonZero(numbered("Hidden", n));
    d.Nickname = s.text(numbered("Nickname", n));
  }
}

void readRegistry(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "Registry");
  size_t count = s.count();
  ctx.model.RegData.resize(count);
  for (size_t n = 1; n <= count; ++n) ctx.model.RegData[n - 1] = parseRegistryItem(s.text(numbered("Key", n)));
}

void readRemoveFiles(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "RemoveFiles");
  size_t count = s.count();
  for (size_t n = 1; n <= count; ++n) ctx.model.RemoveFiles.push_back(s.text(numbered("File", n)));
}

void readFileGroups(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "FileGroups");
  size_t count = s.count();
  ctx.model.TGroups.assign(count, TGroup{});
  for (size_t n = 1; n <= count; ++n) {
    TGroup& g = ctx.model.TGroups[n - 1];
    g.Selected = true;
    g.Name = s.text(numbered("Name", n));
    g.SharedFiles = s.nonZero(numbered("SharedFiles", n));
    g.OverwriteAnswer = oaAsk;
    std::string mode = s.text(numbered("InstallMode", n));
    if (FieldCount(mode, ',') == 2) {
      g.AllAnswersOnly = ParseScriptInteger(CommaField(mode, 2)).value_or(0) != 0;
      g.InstallMode = installModeOfWord(CommaField(mode, 1));
    } else {
      g.AllAnswersOnly = false;
      g.InstallMode = installModeOfWord(mode);
    }
    g.Group = s.integerList(numbered("Group", n));
    g.ID = s.integer(numbered("ID", n));
    g.Required = s.nonZero(numbered("Required", n), 1);
  }
}

void readFiles(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "Files");
  size_t count = s.count();
  ctx.model.FilesData.assign(count, FileItem{});
  for (size_t n = 1; n <= count; ++n) {
    FileItem& f = ctx.model.FilesData[n - 1];
    std::string value = s.text(numbered("File", n));
    f.FileID = ParseScriptInteger(CommaField(value, 1)).value_or(0);
    f.ArchiveName = CommaField(value, 2);
    f.Version = CommaField(value, 3);
    f.UninstallLogged = CommaField(value, 4) != "0";
    f.ConfigFile = CommaField(value, 5) != "0";
    f.TargetDir = CommaField(value, 6);
    f.TargetName = CommaField(value, 7);
    f.ReplaceAtRestart = CommaField(value, 8) != "0";
    f.CpuCondition = ParseScriptInteger(CommaField(value, 9)).value_or(0);
    f.OsCondition = ParseScriptInteger(CommaField(value, 10)).value_or(0);
    f.Selected = false;
    if (IsBlank(f.TargetName)) f.TargetName = f.ArchiveName;
    for (size_t g = 0; g < ctx.model.TGroups.size(); ++g) {
      if (IntegerListContains(f.FileID, ctx.model.TGroups[g].Group)) {
        f.GroupIndex = static_cast<int32_t>(g);
        break;
      }
    }
  }
}

void readSetupTypes(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "SetupTypes");
  size_t count = s.count();
  ctx.model.Main.Custom = s.nonZero("Custom");
  ctx.model.TSetups.assign(count, TSetup{});
  for (size_t n = 1; n <= count; ++n) {
    TSetup& t = ctx.model.TSetups[n - 1];
    t.Name = s.text(numbered("Setup", n));
    t.Comment = s.text(numbered("Cmt", n));
    t.Groups = s.integerList(numbered("Groups", n));
  }
}

void readRunLib(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "RunLib");
  size_t count = s.count();
  ctx.model.TRuns.assign(count, RunLibItem{});
  for (size_t n = 1; n <= count; ++n) {
    RunLibItem& r = ctx.model.TRuns[n - 1];
    r.Pack = s.text(numbered("Pack", n));
    std::string check = s.text(numbered("ErrorCheck", n));
    r.MinExitCode = ParseScriptInteger(CommaField(check, 1)).value_or(0);
    r.MaxExitCode = ParseScriptInteger(CommaField(check, 2)).value_or(0);
    std::string run = s.text(numbered("Run", n));
    r.IsExe = text::equalsNoCase1251(CommaField(run, 1), "EXE");
    r.RunName = CommaField(run, 2);
  }
}

void readShellLinks(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "ShellLinks");
  size_t count = s.count();
  for (size_t n = 1; n <= count; ++n) ctx.model.ShellLinks.push_back(s.text(numbered("Link", n)));
}

void readOcx(SetupContext& ctx, const platform::ProfileReader& ini) {
  Section s(ini, "OCX");
  size_t count = s.count();
  for (size_t n = 1; n <= count; ++n) {
    std::string value = s.text(numbered("OCX", n));
    if (!IsBlank(value)) ctx.model.OCX.push_back(value);
  }
}

}  // namespace

ScriptReadResult ReadSetupScript(SetupContext& ctx, const std::string& path) {
  auto loaded = platform::ProfileReader::load(ctx.os.files(), path);
  platform::ProfileReader ini = loaded.ok() ? std::move(loaded.value()) : platform::ProfileReader();

  if (Section(ini, "Version").integer("Script", 0) != 1) {
    SetupMessage(ctx.ui, kScriptVersionMessage, MessageKind::error);
    return {ScriptStatus::versionRejected, kScriptVersionMessage};
  }
  try {
    readMain(ctx, ini);
    readAskDirs(ctx, ini);
    readRegistry(ctx, ini);
    readRemoveFiles(ctx, ini);
    readFileGroups(ctx, ini);
    readFiles(ctx, ini);
    readSetupTypes(ctx, ini);
    readRunLib(ctx, ini);
    readShellLinks(ctx, ini);
    readOcx(ctx, ini);
  } catch (const MalformedScript& e) {
    ctx.model.ReleaseScriptTables();
    std::string message = std::string(kMalformedPrefix) + e.what();
    SetupMessage(ctx.ui, message, MessageKind::error);
    return {ScriptStatus::malformed, message};
  }
  return {};
}

void ResolveDirectoryVariables(SetupContext& ctx) {
  MacroEnvironment env{ctx.model, ctx.os};
  RegistryAccess access(ctx.os.registry());
  for (DirEntry& dir : ctx.model.Dirs) {
    if (IsBlank(dir.Var)) continue;
    const std::string value = dir.Var;
    if (value.size() >= 2 && text::upper1251(value.substr(0, 2)) == "HK") {
      std::string reference = CommaField(value, 1);
      std::string fallback = CommaField(value, 2);
      std::string valueName;
      if (!OpenRegistryReference(reference, access, valueName)) {
        dir.Var.clear();
        continue;
      }
      // A missing value reads as empty text; a value that is not text
      // cannot be read. Either way the fallback applies.
      auto read = access.key()->read(valueName);
      dir.Var = (read.ok() && read->isText()) ? NormalizeDir(read->data) : std::string();
      if (IsBlank(dir.Var)) dir.Var = NormalizeDir(ExpandPathMacros(env, fallback));
      access.closeKey();
    } else {
      dir.Var = NormalizeDir(ExpandPathMacros(env, CommaField(value, 2)));
    }
  }
}

}  // namespace startup
