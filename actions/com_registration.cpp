#include "actions/com_registration.h"

#include <optional>

#include "platform/current_directory.h"
#include "startup/tools.h"

namespace actions {

const char* RegisterResultWord(RegisterResult result) {
  switch (result) {
    case LoadFail: return "LoadFail";
    case ProcNotFound: return "ProcNotFound";
    case RegFail: return "RegFail";
    case OleError: return "OleError";
    default: return "";
  }
}

namespace {

// The directory part of a path, with its trailing backslash; empty when
// there is none.
std::string DirectoryPart(const std::string& path) {
  const size_t end = path.find_last_of("\\:");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

using platform::CurrentDirectoryScope;

// The default value of an existing key: nothing when the key does not
// exist; an empty text when the value cannot be read as text.
std::optional<std::string> DefaultValue(platform::Registry& registry, platform::Root root, const std::string& path) {
  auto key = registry.open(root, path, platform::Access::read);
  if (!key) return std::nullopt;
  auto value = (*key)->read("");
  if (!value || !value->isText()) return std::string();
  return value->data;
}

}  // namespace

RegisterResult RegisterServer(startup::SetupContext& ctx, const std::string& file, uint8_t action) {
  platform::Platform& os = ctx.os;
  if (!os.files().fileExists(file)) return FileNotFound;
  // The server finds the libraries beside it.
  CurrentDirectoryScope scope(os.system(), DirectoryPart(file));
  auto library = os.libraries().load(file);
  if (!library) return LoadFail;
  const char* entry = action == kUnregister ? "DllUnregisterServer" : "DllRegisterServer";
  if (!(*library)->hasEntry(entry)) return ProcNotFound;
  auto status = (*library)->call(entry);
  if (!status) return ProcNotFound;
  return *status == 0 ? Success : RegFail;
}

RegisterResult RegisterTypeLibrary(startup::SetupContext& ctx, const std::string& file, uint8_t action) {
  platform::Platform& os = ctx.os;
  // A bare name means the current directory, not the system's search.
  std::string path = file;
  if (DirectoryPart(path).empty()) path = os.system().currentDirectory() + "\\" + path;
  if (!os.files().fileExists(path)) return LoadFail;
  const platform::Status status = action == kUnregister ? os.typeLibraries().unregisterTypeLibrary(path)
                                                        : os.typeLibraries().registerTypeLibrary(path);
  if (status.ok()) return Success;
  return status.code() == platform::Code::notSupported ? NotSupported : OleError;
}

bool CheckInstalledServer(startup::SetupContext& ctx, const std::string& entry, uint8_t mode) {
  platform::Platform& os = ctx.os;
  const std::string file = startup::CommaField(entry, 2);
  const std::string progId = startup::CommaField(entry, 3);
  // Without a ProgID there is no class to look up.
  if (progId.empty()) return false;
  const auto clsid = DefaultValue(os.registry(), platform::Root::localMachine, "Software\\Classes\\" + progId + "\\CLSID");
  if (!clsid) return false;
  const auto server =
      DefaultValue(os.registry(), platform::Root::classesRoot, "CLSID\\" + *clsid + "\\InprocServer32");
  if (!server) return false;
  if (!os.files().fileExists(*server)) return false;
  if (mode == 0) return true;

  // Mode 1: a working server (it registers again) that is older than the
  // package's file.
  if (RegisterServer(ctx, *server, kRegister) != Success) return false;
  auto version = os.files().versionInfo(*server);
  if (!version || !version->present) return true;
  const auto index = ctx.model.FindFileItem(file, false);
  // The package does not carry this file, or gives a date instead of a
  // version: nothing says the installed server is older.
  if (!index) return false;
  const std::string packageVersion = ctx.model.FilesData[*index].Version.str();
  if (!packageVersion.empty() && (packageVersion[0] == 'd' || packageVersion[0] == 'D')) return false;
  return startup::CompareVersions(version->text(), packageVersion) < 0;
}

}  // namespace actions
