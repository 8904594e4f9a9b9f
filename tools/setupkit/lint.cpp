#include "tools/setupkit/lint.h"

#include <map>
#include <set>
#include <sstream>

#include "startup/path_macros.h"
#include "startup/script_reader.h"
#include "startup/tools.h"
#include "text/codepage.h"

namespace setupkit {
namespace {

using startup::CommaField;
using startup::FieldCount;
using startup::IsBlank;
using Severity = LintFinding::Severity;

const char* const kModeWords[] = {"", "Update", "Freshen", "BDE", "AskOverwrite", "AskUpdate", "AskFreshen", "New"};

bool isModeWord(const std::string& word) {
  for (int i = 1; i < 8; ++i)
    if (text::equalsNoCase1251(word, kModeWords[i])) return true;
  return false;
}

std::string numbered(const char* stem, size_t n) { return stem + std::to_string(n); }

// Number of entries a section declares, as the engine reads it.
size_t declaredCount(const platform::ProfileReader& raw, const char* section) {
  auto n = startup::ParseScriptInteger(raw.getString(section, "Count", "", startup::kScriptValueBuffer)).value_or(0);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

// Does the value hold an empty comma field that the reader will drop?
bool hasDroppedField(const std::string& value) {
  size_t first = value.find_first_not_of(',');
  size_t last = value.find_last_not_of(',');
  if (first == std::string::npos) return false;
  return value.substr(first, last - first + 1).find(",,") != std::string::npos || first != 0;
}

class Linter {
 public:
  Linter(startup::SetupContext& ctx, const platform::ProfileReader& raw) : ctx_(ctx), m_(ctx.model), raw_(raw) {}

  std::vector<LintFinding> run() {
    checkFiles();
    checkGroups();
    checkSetupTypes();
    checkMainFileReferences();
    checkMacros();
    checkRegistry();
    checkShellLinks();
    return std::move(findings_);
  }

 private:
  void warn(std::string where, std::string message) {
    findings_.push_back({Severity::warning, std::move(where), std::move(message)});
  }
  void note(std::string where, std::string message) {
    findings_.push_back({Severity::note, std::move(where), std::move(message)});
  }

  void checkFiles() {
    std::map<int32_t, size_t> ids;
    std::map<std::string, size_t> names;
    size_t count = std::min(declaredCount(raw_, "Files"), m_.FilesData.size());
    for (size_t n = 1; n <= count; ++n) {
      const std::string where = "[Files] " + numbered("File", n);
      const std::string value = raw_.getString("Files", numbered("File", n), "", startup::kScriptValueBuffer);
      const startup::FileItem& f = m_.FilesData[n - 1];
      if (IsBlank(value)) {
        warn(where, "missing or empty: the entry has no member name and is never installed");
        continue;
      }
      if (hasDroppedField(value)) {
        warn(where, "an empty field (two commas in a row) is dropped and the fields after it move forward: "
                    "version \"" + f.Version.str() + "\", target directory \"" + f.TargetDir.str() + "\", target name \"" +
                    f.TargetName.str() + "\"");
      }
      if (!startup::ParseScriptInteger(CommaField(value, 1))) warn(where, "field 1 (file number) is not a number; it reads as 0");
      if (IsBlank(f.ArchiveName)) warn(where, "no member name (field 2)");
      const std::string& v = f.Version.str();
      if (!v.empty() && v[0] != 'd' && FieldCount(v, '.') != 4)
        warn(where, "version \"" + v + "\" is neither four numbers separated by points nor \"d\" and a date");
      if (IsBlank(f.TargetDir)) warn(where, "no target directory (field 6)");
      if (auto [it, fresh] = ids.emplace(f.FileID, n); !fresh)
        warn(where, "file number " + std::to_string(f.FileID) + " is also used by File" + std::to_string(it->second));
      std::string key = text::upper1251(f.ArchiveName.str());
      if (auto [it, fresh] = names.emplace(key, n); !fresh && !key.empty())
        warn(where, "member \"" + f.ArchiveName.str() + "\" is also named by File" + std::to_string(it->second) +
                        "; only the first entry is ever used for it");
      bool listed = false;
      for (const auto& g : m_.TGroups) listed = listed || startup::IntegerListContains(f.FileID, g.Group);
      if (!listed) warn(where, "file number " + std::to_string(f.FileID) + " is in no group, so it is never installed");
    }
  }

  void checkGroups() {
    for (size_t n = 1; n <= m_.TGroups.size(); ++n) {
      const std::string where = "[FileGroups] " + numbered("InstallMode", n);
      const std::string mode = raw_.getString("FileGroups", numbered("InstallMode", n), "", startup::kScriptValueBuffer);
      size_t fields = FieldCount(mode, ',');
      if (fields > 2) {
        warn(where, "\"" + mode + "\" has more than two fields, so the mode is 0 (always overwrite)");
      } else {
        std::string word = fields == 2 ? CommaField(mode, 1) : mode;
        if (!IsBlank(word) && !isModeWord(word))
          warn(where, "unknown install mode \"" + word + "\"; it acts as mode 0 (always overwrite)");
      }
      for (int32_t id : m_.TGroups[n - 1].Group) {
        bool known = false;
        for (const auto& f : m_.FilesData) known = known || f.FileID == id;
        if (!known) warn("[FileGroups] " + numbered("Group", n), "file number " + std::to_string(id) + " names no [Files] entry");
      }
    }
  }

  void checkSetupTypes() {
    for (size_t n = 1; n <= m_.TSetups.size(); ++n) {
      for (int32_t id : m_.TSetups[n - 1].Groups) {
        bool known = false;
        for (const auto& g : m_.TGroups) known = known || g.ID == id;
        if (!known) warn("[SetupTypes] " + numbered("Groups", n), "group ID " + std::to_string(id) + " names no [FileGroups] entry");
      }
    }
    if (m_.TSetups.empty() && !m_.Main.Custom && !m_.TGroups.empty())
      note("[SetupTypes]", "no setup types and no custom choice: every group is installed");
  }

  void checkMainFileReferences() {
    struct Ref {
      const char* key;
      const std::string& value;
      bool offered;
    } refs[] = {{"RunFile", m_.Main.RunFile, m_.Main.RunApp}, {"ReadmeFile", m_.Main.ReadmeFile, m_.Main.ReadmeView}};
    for (const auto& r : refs) {
      const std::string where = std::string("[Main] ") + r.key;
      if (IsBlank(r.value)) {
        if (r.offered) warn(where, "is empty, but the Final page offers it");
        continue;
      }
      auto id = startup::ParseScriptInteger(r.value);
      bool found = false;
      if (id)
        for (const auto& f : m_.FilesData) found = found || f.FileID == *id;
      if (!found) warn(where, "\"" + r.value + "\" names no [Files] entry (it must be a file number)");
    }
  }

  void expand(const std::string& where, const std::string& path) {
    std::vector<std::string> problems;
    startup::ExpandPathMacros({m_, ctx_.os}, path, &problems);
    for (const auto& p : problems) {
      // Registry values are only known on the target machine.
      if (p.rfind("registry", 0) == 0) note(where, p + " here; it is read on the target machine");
      else warn(where, "\"" + path + "\": " + p);
    }
  }

  void checkMacros() {
    for (size_t i = 0; i < m_.Dirs.size(); ++i) expand("[AskDirs] " + numbered("Dir", i + 1), m_.Dirs[i].Dir);
    for (size_t i = 0; i < m_.FilesData.size(); ++i) expand("[Files] " + numbered("File", i + 1), m_.FilesData[i].TargetDir);
    for (size_t i = 0; i < m_.RemoveFiles.size(); ++i) expand("[RemoveFiles] " + numbered("File", i + 1), m_.RemoveFiles[i]);
    expand("[Main] LogFile", m_.Main.LogFile);
    if (!IsBlank(m_.Main.UFile)) expand("[Main] UFile", m_.Main.UFile);
  }

  void checkRegistry() {
    for (size_t i = 0; i < m_.RegData.size(); ++i) {
      const auto& r = m_.RegData[i];
      const std::string where = "[Registry] " + numbered("Key", i + 1);
      if (r.Root == 0) warn(where, "unknown root key; the value is not written");
      if (r.KeyPath.empty()) warn(where, "no key path (the key needs a comma after it)");
      if (r.DataType.empty()) warn(where, "no value type (field 2)");
    }
  }

  void checkShellLinks() {
    static const char* const keywords[] = {"PROGRAMS", "DESKTOP", "STARTUP", "STARTMENU"};
    for (size_t i = 0; i < m_.ShellLinks.size(); ++i) {
      const std::string& entry = m_.ShellLinks[i];
      const std::string where = "[ShellLinks] " + numbered("Link", i + 1);
      if (IsBlank(entry)) continue;
      std::string keyword = text::upper1251(entry.substr(0, entry.find('\\')));
      bool known = false;
      for (const char* k : keywords) known = known || keyword == k;
      if (!known) warn(where, "unknown folder keyword (the keyword needs a backslash after it); the link is skipped");
      std::string filled = startup::FillEmptyFields(entry, ',', "-");
      std::string target = CommaField(filled, 2);
      if (!m_.FindFileItem(target, false)) warn(where, "target \"" + target + "\" is no [Files] target name");
    }
  }

  startup::SetupContext& ctx_;
  const startup::SetupDataModel& m_;
  const platform::ProfileReader& raw_;
  std::vector<LintFinding> findings_;
};

std::string modeName(uint8_t mode) { return mode == 0 ? "always" : kModeWords[mode]; }

std::string list(const startup::IntegerList& l) {
  std::string s;
  for (size_t i = 0; i < l.size(); ++i) s += (i ? "," : "") + std::to_string(l[i]);
  return s;
}

}  // namespace

std::vector<LintFinding> LintScript(startup::SetupContext& ctx, const platform::ProfileReader& raw) {
  return Linter(ctx, raw).run();
}

std::string DescribeModel(const startup::SetupDataModel& m) {
  std::ostringstream out;
  out << "Title: " << m.Main.Title << "\n";
  if (!IsBlank(m.Main.Copyright)) out << "Copyright: " << m.Main.Copyright << "\n";
  out << "Disk space: " << m.Main.DiskSize << " KB; log: " << m.Main.LogFile;
  if (!m.Main.UKey.empty()) out << "; uninstall key: " << m.Main.UKey;
  out << "\n";
  out << "Directories (" << m.Dirs.size() << "), start page mode " << m.Main.SkipDirDialog << ":\n";
  for (size_t i = 0; i < m.Dirs.size(); ++i) {
    const auto& d = m.Dirs[i];
    out << "  " << i + 1 << ". " << d.Dir;
    if (!d.Desc.empty()) out << "  \"" << d.Desc << "\"";
    if (d.Macro) out << "  #" << d.Macro;
    if (!d.Nickname.empty()) out << "  #(" << d.Nickname << ")";
    if (d.Hidden) out << "  hidden";
    if (d.Lock) out << "  locked";
    if (!d.Var.empty()) out << "  from " << d.Var;
    out << "\n";
  }
  out << "Groups (" << m.TGroups.size() << "):\n";
  for (size_t i = 0; i < m.TGroups.size(); ++i) {
    const auto& g = m.TGroups[i];
    out << "  " << i + 1 << ". \"" << g.Name.str() << "\" ID " << g.ID << ", mode " << modeName(g.InstallMode)
        << (g.AllAnswersOnly ? " (answers for all files only)" : "") << (g.Required ? ", required" : "")
        << (g.SharedFiles ? ", shared" : "") << "; files " << list(g.Group) << "\n";
  }
  out << "Files (" << m.FilesData.size() << "):\n";
  for (size_t i = 0; i < m.FilesData.size(); ++i) {
    const auto& f = m.FilesData[i];
    out << "  " << i + 1 << ". #" << f.FileID << " " << f.ArchiveName.str() << " -> " << f.TargetDir.str() << "\\"
        << f.TargetName.str();
    if (!f.Version.empty()) out << "  v" << f.Version.str();
    if (f.ConfigFile) out << "  config";
    if (f.ReplaceAtRestart) out << "  replace-at-restart";
    if (!f.UninstallLogged) out << "  not-logged";
    if (f.CpuCondition) out << "  cpu " << f.CpuCondition;
    if (f.OsCondition) out << "  os " << f.OsCondition;
    out << "\n";
  }
  out << "Setup types (" << m.TSetups.size() << ")" << (m.Main.Custom ? ", custom choice offered" : "") << ":\n";
  for (size_t i = 0; i < m.TSetups.size(); ++i)
    out << "  " << i + 1 << ". \"" << m.TSetups[i].Name.str() << "\" groups " << list(m.TSetups[i].Groups) << "\n";
  out << "Registry values (" << m.RegData.size() << "):\n";
  for (const auto& r : m.RegData)
    out << "  " << (r.Root ? platform::rootName(static_cast<platform::Root>(r.Root)) : "?") << "\\" << r.KeyPath.str()
        << " [" << r.ValueName.str() << "] " << r.DataType.str() << " = " << r.Data.str() << "\n";
  out << "Links (" << m.ShellLinks.size() << "):\n";
  for (const auto& l : m.ShellLinks) out << "  " << l << "\n";
  out << "OCX entries (" << m.OCX.size() << "):\n";
  for (const auto& o : m.OCX) out << "  " << o << "\n";
  if (!m.TRuns.empty()) {
    out << "RunLib (" << m.TRuns.size() << "):\n";
    for (const auto& r : m.TRuns)
      out << "  " << r.Pack.str() << ": " << (r.IsExe ? "program " : "library ") << r.RunName.str() << ", success "
          << r.MinExitCode << ".." << r.MaxExitCode << "\n";
  }
  if (!m.RemoveFiles.empty()) {
    out << "Removed before copying (" << m.RemoveFiles.size() << "):\n";
    for (const auto& r : m.RemoveFiles) out << "  " << r << "\n";
  }
  return out.str();
}

}  // namespace setupkit
