#include "bde/engine.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "actions/com_registration.h"
#include "actions/directories.h"
#include "bde/find_engine_dir.h"
#include "platform/current_directory.h"
#include "startup/path_macros.h"
#include "startup/tools.h"
#include "startup/uninstall_lines.h"
#include "text/codepage.h"

namespace bde {

namespace {

using platform::Access;
using platform::Root;

using platform::CurrentDirectoryScope;

// A string value, or nothing when it is missing or not text.
std::optional<std::string> TextValue(platform::RegistryKey& key, const std::string& name) {
  auto value = key.read(name);
  if (!value || !value->isText()) return std::nullopt;
  return value->data;
}

std::optional<int64_t> DecimalNumber(const std::string& s) {
  const auto n = startup::ParseScriptInteger(s);
  if (!n) return std::nullopt;
  return *n;
}

// The pieces of a ";"-list: empty pieces skipped, and a value of
// separators only (or nothing) counts as one piece, the whole value.
std::vector<std::string> Pieces(const std::string& value) {
  std::vector<std::string> out;
  const size_t n = startup::FieldCount(value, ';');
  for (size_t i = 1; i <= n; ++i) out.push_back(startup::Field(value, ';', i));
  if (out.empty()) out.push_back(value);
  return out;
}

// Deletes a key with everything below it.
void DeleteKeyTree(platform::Registry& registry, Root root, const std::string& path) {
  std::vector<std::string> names;
  if (auto key = registry.open(root, path, Access::read)) {
    if (auto subkeys = (*key)->subkeys()) names = *subkeys;
  }
  for (const std::string& name : names) DeleteKeyTree(registry, root, path + "\\" + name);
  registry.removeKey(root, path);
}

// The engine library's path from the engine's own configuration: the
// first DLLPATH directory; the bare name (the system's search) when the
// engine is not configured.
std::string EngineLibraryPath(platform::Registry& registry) {
  if (auto key = registry.open(Root::localMachine, kEngineKey, Access::read)) {
    if (auto dllPath = TextValue(**key, "DLLPATH")) {
      const std::string dir = startup::Field(*dllPath, ';', 1);
      if (!dir.empty()) return startup::NormalizeDir(dir) + kEngineLibrary;
    }
  }
  return kEngineLibrary;
}

// The default configuration: key selections and values, in writing order.
struct ConfigEntry {
  bool isKey;
  const char* text;
};

constexpr ConfigEntry K(const char* t) { return {true, t}; }
constexpr ConfigEntry V(const char* t) { return {false, t}; }

constexpr ConfigEntry kDefaultConfiguration[] = {
    K("SOFTWARE\\Borland\\Database Engine"),
    V("DLLPATH=#BDE"), V("RESOURCE=0009"), V("CONFIGFILE01=#BDE\\IDAPI32.CFG"), V("UseCount=0"),
    V("SaveConfig=WIN32"), V("ViewMode=SPV"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT"),
    V("VERSION=4.0"), V("LOCAL SHARE=TRUE"), V("MINBUFSIZE=128"), V("MAXBUFSIZE=2048"), V("LANGDRIVER=cyrr"),
    V("MAXFILEHANDLES=48"), V("SYSFLAGS=0"), V("LOW MEMORY USAGE LIMIT=32"), V("AUTO ODBC=FALSE"),
    V("DEFAULT DRIVER=PARADOX"), V("MEMSIZE=16"), V("SHAREDMEMSIZE=2048"), V("SHAREDMEMLOCATION="),
    V("DATA REPOSITORY=Borland Data Dictionary"), V("SQLQRYMODE=LOCAL"), V("MTS POOLING=FALSE"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\SYSTEM\\FORMATS\\DATE"),
    V("SEPARATOR=/"), V("MODE=0"), V("FOURDIGITYEAR=FALSE"), V("YEARBIASED=TRUE"), V("LEADINGZEROM=TRUE"),
    V("LEADINGZEROD=TRUE"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\SYSTEM\\FORMATS\\TIME"),
    V("TWELVEHOUR=FALSE"), V("AMSTRING=AM"), V("PMSTRING=PM"), V("SECONDS=TRUE"), V("MILSECONDS=FALSE"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\SYSTEM\\FORMATS\\NUMBER"),
    V("DECIMALSEPARATOR=."), V("THOUSANDSEPARATOR=,"), V("DECIMALDIGITS=2"), V("LEADINGZERON=TRUE"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\PARADOX\\INIT"),
    V("VERSION=4.0"), V("TYPE=FILE"), V("LANGDRIVER=cyrr"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\PARADOX\\TABLE CREATE"),
    V("LEVEL=4"), V("BLOCK SIZE=2048"), V("FILL FACTOR=95"), V("STRICTINTEGRTY=TRUE"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\DBASE\\INIT"),
    V("VERSION=4.0"), V("TYPE=FILE"), V("LANGDRIVER=DB866RU0"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\DBASE\\TABLE CREATE"),
    V("LEVEL=5"), V("MDX BLOCK SIZE=1024"), V("MEMO FILE BLOCK SIZE=1024"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\MSACCESS\\INIT"),
    V("VERSION=1.0"), V("TYPE=SERVER"), V("DLL32=IDDAO32.DLL"), V("DRIVER FLAGS="), V("TRACE MODE=0"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\MSACCESS\\DB OPEN"),
    V("DATABASE NAME=DRIVE:/PATH/DATABASE.MDB"), V("USER NAME="), V("OPEN MODE=READ/WRITE"), V("LANGDRIVER="),
    V("SYSTEM DATABASE="),
    K("SOFTWARE\\Borland\\BLW32"),
    V("BLAPIPATH=#BDE"),
};
static_assert(std::size(kDefaultConfiguration) == 73);

constexpr ConfigEntry kFoxProConfiguration[] = {
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\FOXPRO\\INIT"),
    V("VERSION=4.0"), V("TYPE=FILE"), V("LANGDRIVER=DBWINUS0"),
    K("SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\FOXPRO\\TABLE CREATE"),
    V("LEVEL=25"),
};

// Writes one table; failed writes are not reported.
void WriteConfiguration(startup::SetupContext& ctx, std::span<const ConfigEntry> table) {
  const startup::MacroEnvironment env{ctx.model, ctx.os};
  std::unique_ptr<platform::RegistryKey> current;
  for (const ConfigEntry& e : table) {
    if (e.isKey) {
      current.reset();
      auto key = ctx.os.registry().create(Root::localMachine, e.text);
      if (key) current = std::move(*key);
      continue;
    }
    const std::string line = e.text;
    const size_t eq = line.find('=');
    const std::string name = line.substr(0, eq);
    std::string data;
    if (eq != std::string::npos) {
      const size_t next = line.find('=', eq + 1);
      data = line.substr(eq + 1, next == std::string::npos ? std::string::npos : next - eq - 1);
    }
    data = startup::ExpandPathMacros(env, data);
    if (!data.empty() && data.back() == '\\') data.pop_back();
    if (current) current->write(name, platform::Value::text(data));
  }
}

// The files an engine installation leaves in its directories.
constexpr const char* kEngineLibraries[] = {
    "idapi32.dll", "idr20009.dll", "iddbas32.dll", "idpdx32.dll", "idasci32.dll", "idodbc32.dll", "iddao32.dll",
    "idda3532.dll", "iddr32.dll", "idbat32.dll", "idqbe32.dll", "idsql32.dll", "idprov32.dll", "dbclient.dll",
};
constexpr const char* kEngineTools[] = {
    "bdeadmin.exe", "datapump.exe", "bde32.cnt", "bdeadmin.cnt", "datapump.cnt", "localsql.cnt", "sqllnk32.cnt",
    "bde32.hlp", "bdeadmin.hlp", "datapump.hlp", "localsql.hlp", "sqllnk32.hlp", "sqllnk32.toc", "bde32.gid",
    "bdeadmin.gid", "datapump.gid", "localsql.gid", "sqllnk32.gid", "disp.pak", "bdedeploy.txt", "bdeinst.txt",
    "bdereadme.txt", "readlink.txt", "BDEADMIN.FTG", "LOCALSQL.FTG", "BDEADMIN.FTS", "LOCALSQL.FTS", "LICENSE.TXT",
};
constexpr const char* kLanguageDriverFiles[] = {
    "blw32.dll", "charset.cvb", "ceeurope.btl", "europe.btl", "fareast.btl", "japan.btl", "other.btl", "usa.btl",
    "ceeurope.bll", "europe.bll", "fareast.bll", "japan.bll", "other.bll", "usa.bll", "charset.bll", "bantam.dll",
};
static_assert(std::size(kEngineLibraries) == 14 && std::size(kEngineTools) == 28 &&
              std::size(kLanguageDriverFiles) == 16);

// Deletes a file of the old engine (failures ignored) and its share count.
class EngineFileRemover {
 public:
  explicit EngineFileRemover(startup::SetupContext& ctx) : ctx_(ctx) {
    auto key = ctx.os.registry().open(Root::localMachine, kSharedDllsKey, Access::all);
    if (key) sharedDlls_ = std::move(*key);
  }

  void remove(const std::string& path) {
    platform::FileSystem& fs = ctx_.os.files();
    if (fs.fileExists(path)) fs.removeFile(path);
    // An empty path names no file: it must not hit the key's default value.
    if (sharedDlls_ && !path.empty() && sharedDlls_->read(path).ok()) sharedDlls_->removeValue(path);
  }

 private:
  startup::SetupContext& ctx_;
  std::unique_ptr<platform::RegistryKey> sharedDlls_;
};

// Reads a list value of a key and deletes the key with its subkeys; an
// empty text when the key or the value is missing.
std::string TakeListAndDeleteKey(platform::Registry& registry, const char* keyPath, const char* valueName,
                                 const char* secondName = nullptr, std::string* secondValue = nullptr) {
  std::string value;
  {
    auto key = registry.open(Root::localMachine, keyPath, Access::read);
    if (!key) return value;
    value = TextValue(**key, valueName).value_or("");
    if (secondName && secondValue) *secondValue = TextValue(**key, secondName).value_or("");
  }
  DeleteKeyTree(registry, Root::localMachine, keyPath);
  return value;
}

bool LessWithoutCase(const std::string& a, const std::string& b) { return text::upper1251(a) < text::upper1251(b); }

}  // namespace

bool PlanEngine(startup::SetupContext& ctx, actions::RunEnd&) {
  using startup::eaConfigure;
  using startup::eaCountUse;
  using startup::eaInstallFiles;
  uint8_t& actions = ctx.run.EngineActions;
  actions = 0;
  const int32_t bde = ctx.model.Main.BDE;
  if (bde <= 0) return true;
  if (bde == 1) {
    actions = eaCountUse;
    return true;
  }
  if (!EnginePresent(ctx)) {
    actions = eaInstallFiles | eaConfigure | eaCountUse;
    return true;
  }
  if (EngineVersionSufficient(ctx)) {
    actions = eaInstallFiles | eaCountUse;
    return true;
  }
  RemoveEngine(ctx);
  ctx.window.include(startup::afOldEngineRemoved);
  actions = eaInstallFiles | eaConfigure | eaCountUse;
  return true;
}

bool EnginePresent(startup::SetupContext& ctx) {
  auto library = ctx.os.libraries().load(EngineLibraryPath(ctx.os.registry()));
  if (!library) return false;  // the start fails: not present
  platform::Library& engine = **library;
  auto status = [](const platform::Result<uint32_t>& r) -> uint16_t {
    return r.ok() ? static_cast<uint16_t>(*r & 0xFFFFu) : uint16_t{0xFFFF};
  };
  const platform::CallArg start[] = {kEngineInterfaceVersion, uint32_t{0}};
  if (status(engine.call(kEngineStart, start)) != 0) return false;
  uint16_t last = 0;
  for (uint16_t ordinal : kEngineListOrdinals) {
    uint64_t cursor = 0;
    const platform::CallArg open[] = {platform::HandleSlot{&cursor}};
    last = status(engine.callOrdinal(ordinal, open));
    if (last != 0) break;
    const platform::CallArg close[] = {platform::HandleSlot{&cursor}};
    engine.callOrdinal(kEngineCloseCursorOrdinal, close);
  }
  engine.call(kEngineStop);
  return last == 0;
}

bool EngineVersionSufficient(startup::SetupContext& ctx) {
  auto key = ctx.os.registry().open(Root::localMachine, kEngineKey, Access::read);
  if (!key) return false;
  const auto dllPath = TextValue(**key, "DLLPATH");
  const std::string library =
      dllPath ? startup::NormalizeDir(startup::Field(*dllPath, ';', 1)) + kEngineLibrary : "c:\\idapi32.dll";
  key->reset();
  if (!ctx.os.files().fileExists(library)) return false;
  auto version = ctx.os.files().versionInfo(library);
  if (!version || !version->present) return false;
  return startup::CompareVersions(ctx.model.Main.BDEVersion, version->text()) <= 0;
}

bool ConfigureEngine(startup::SetupContext& ctx, actions::RunEnd&) {
  platform::Registry& registry = ctx.os.registry();
  if (auto key = registry.open(Root::localMachine, kEngineKey, Access::all)) {
    // An engine is registered already: it only gains a user.
    const std::string count = TextValue(**key, "UseCount").value_or("");
    if (const auto n = DecimalNumber(count)) (*key)->write("UseCount", platform::Value::text(std::to_string(*n + 1)));
    return true;
  }
  WriteConfiguration(ctx, kDefaultConfiguration);
  if (ctx.model.Main.BDE >= 5) WriteConfiguration(ctx, kFoxProConfiguration);

  const std::string dir = ctx.model.DatabaseEngineDir;
  CurrentDirectoryScope scope(ctx.os.system(), dir);
  actions::RegisterServer(ctx, startup::NormalizeDir(dir) + "idapi32.dll", actions::kRegister);
  actions::RegisterServer(ctx, startup::NormalizeDir(dir) + "idsql32.dll", actions::kRegister);
  return true;
}

bool CountEngineUse(startup::SetupContext& ctx) {
  auto key = ctx.os.registry().open(Root::localMachine, kEngineKey, Access::all);
  if (!key) return false;
  const std::string count = TextValue(**key, "UseCount").value_or("0");
  const int64_t n = DecimalNumber(count).value_or(0);
  (*key)->write("UseCount", platform::Value::text(std::to_string(n + 1)));
  key->reset();
  ctx.lists.UninstallLines.push_back(startup::log::kUseBde);
  return true;
}

void RemoveEngine(startup::SetupContext& ctx) {
  platform::Registry& registry = ctx.os.registry();
  platform::FileSystem& fs = ctx.os.files();

  std::string configFiles;
  const std::string dllPath = TakeListAndDeleteKey(registry, kEngineKey, "DLLPATH", "CONFIGFILE01", &configFiles);
  const std::string blapiPath = TakeListAndDeleteKey(registry, kLanguageDriverKey, "BLAPIPATH");
  if (auto vendor = registry.open(Root::localMachine, kVendorKey, Access::read)) {
    auto subkeys = (*vendor)->subkeys();
    vendor->reset();
    if (subkeys && subkeys->empty()) registry.removeKey(Root::localMachine, kVendorKey);
  }

  EngineFileRemover remover(ctx);
  std::vector<std::string> engineDirs;
  for (const std::string& piece : Pieces(dllPath)) engineDirs.push_back(startup::NormalizeDir(piece));
  std::vector<std::string> driverDirs;
  for (const std::string& piece : Pieces(blapiPath)) driverDirs.push_back(startup::NormalizeDir(piece));

  for (const std::string& dir : engineDirs) {
    if (dir.empty() || !fs.directoryExists(dir)) continue;
    {
      CurrentDirectoryScope scope(ctx.os.system(), dir);
      actions::RegisterServer(ctx, dir + "idsql32.dll", actions::kUnregister);
      actions::RegisterServer(ctx, dir + "idapi32.dll", actions::kUnregister);
    }
    for (const char* name : kEngineLibraries) remover.remove(dir + name);
    for (const char* name : kEngineTools) remover.remove(dir + name);
  }
  for (const std::string& dir : driverDirs) {
    if (dir.empty() || !fs.directoryExists(dir)) continue;
    for (const char* name : kLanguageDriverFiles) remover.remove(dir + name);
  }
  for (const std::string& file : Pieces(configFiles)) remover.remove(file);

  std::stable_sort(engineDirs.begin(), engineDirs.end(), LessWithoutCase);
  std::stable_sort(driverDirs.begin(), driverDirs.end(), LessWithoutCase);
  for (auto it = driverDirs.rbegin(); it != driverDirs.rend(); ++it)
    if (!it->empty() && fs.directoryExists(*it)) actions::KillTree(ctx, *it);
  for (auto it = engineDirs.rbegin(); it != engineDirs.rend(); ++it)
    if (!it->empty() && fs.directoryExists(*it)) actions::KillTree(ctx, *it);

  remover.remove(ctx.model.SystemDir + "bdeadmin.cpl");
}

}  // namespace bde
