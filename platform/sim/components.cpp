#include "platform/sim/components.h"

namespace platform::sim {

namespace {

Status ensureFile(Machine& machine, const std::string& path, const std::string& content) {
  if (machine.files().fileExists(path)) return {};
  const size_t slash = path.find_last_of('\\');
  if (slash != std::string::npos && slash > 2) {
    if (Status s = machine.addDirectory(path.substr(0, slash)); !s) return s;
  }
  return machine.addFile(path, content);
}

Status writeDefault(Registry& reg, Root root, const std::string& key, const std::string& data) {
  auto k = reg.create(root, key);
  if (!k) return k.status();
  return (*k)->write("", Value::text(data));
}

void removeTree(Registry& reg, Root root, const std::string& path) {
  std::vector<std::string> names;
  if (auto key = reg.open(root, path, Access::read))
    if (auto subkeys = (*key)->subkeys()) names = *subkeys;
  for (const std::string& name : names) removeTree(reg, root, path + "\\" + name);
  reg.removeKey(root, path);
}

std::map<std::string, LibraryEntry> serverEntries(const std::string& path, const ComServerInfo& info) {
  std::map<std::string, LibraryEntry> entries;
  if (!info.exportsEntries) return entries;
  entries["DllRegisterServer"] = [path, info](std::span<const CallArg>, Machine& m) -> uint32_t {
    if (info.registerStatus != 0) return info.registerStatus;
    Registry& reg = m.registry();
    writeDefault(reg, Root::classesRoot, "CLSID\\" + info.clsid + "\\InprocServer32", m.searchFile(path));
    if (!info.progId.empty()) {
      writeDefault(reg, Root::classesRoot, info.progId + "\\CLSID", info.clsid);
      writeDefault(reg, Root::classesRoot, "CLSID\\" + info.clsid + "\\ProgID", info.progId);
    }
    return 0;
  };
  entries["DllUnregisterServer"] = [info](std::span<const CallArg>, Machine& m) -> uint32_t {
    if (info.unregisterStatus != 0) return info.unregisterStatus;
    removeTree(m.registry(), Root::classesRoot, "CLSID\\" + info.clsid);
    if (!info.progId.empty()) removeTree(m.registry(), Root::classesRoot, info.progId);
    return 0;
  };
  return entries;
}

// The status the engine answers with when it cannot start (any non-zero
// 16-bit value does).
constexpr uint32_t kEngineCannotStart = 0x2109;

}  // namespace

Status addComServer(Machine& machine, const std::string& path, const ComServerInfo& info) {
  if (Status s = ensureFile(machine, path, "server " + info.clsid); !s) return s;
  machine.registerLibrary(path, serverEntries(path, info));
  return {};
}

std::shared_ptr<EngineCalls> addEngineLibrary(Machine& machine, const std::string& path, EngineStart start) {
  ensureFile(machine, path, "engine library");
  auto calls = std::make_shared<EngineCalls>();
  ComServerInfo server{"", "{FB99D700-18B9-11D0-A4CF-00A024C91936}"};
  std::map<std::string, LibraryEntry> entries = serverEntries(path, server);
  entries["DbiInitFn"] = [calls, start](std::span<const CallArg> args, Machine&) -> uint32_t {
    if (start == EngineStart::failsToStart) return kEngineCannotStart;
    if (args.size() != 2 || std::get_if<uint32_t>(&args[0]) == nullptr || std::get<uint32_t>(args[0]) != 500)
      return 0x2102;  // not the interface version this engine offers
    ++calls->starts;
    return 0;
  };
  entries["DbiExit"] = [calls](std::span<const CallArg>, Machine&) -> uint32_t {
    ++calls->stops;
    return 0;
  };
  machine.registerLibrary(path, std::move(entries));
  auto list = [calls, start](uint16_t ordinal) {
    return [calls, start, ordinal](std::span<const CallArg> args, Machine&) -> uint32_t {
      if (calls->starts <= calls->stops) return 0x2101;  // not started
      if (start == EngineStart::listFails && ordinal == 80) return 0x2104;
      const auto* slot = args.size() == 1 ? std::get_if<HandleSlot>(&args[0]) : nullptr;
      if (slot == nullptr || slot->value == nullptr) return 0x2102;
      *slot->value = 0x1000u + ordinal;
      ++calls->cursorsOpened;
      return 0;
    };
  };
  std::map<uint16_t, LibraryEntry> ordinals;
  for (uint16_t o : {82, 80, 37}) ordinals[o] = list(o);
  ordinals[12] = [calls](std::span<const CallArg> args, Machine&) -> uint32_t {
    const auto* slot = args.size() == 1 ? std::get_if<HandleSlot>(&args[0]) : nullptr;
    if (slot == nullptr || slot->value == nullptr || *slot->value == 0) return 0x2102;
    *slot->value = 0;
    ++calls->cursorsClosed;
    return 0;
  };
  machine.libraryTable().registerOrdinals(path, std::move(ordinals));
  return calls;
}

std::shared_ptr<EngineCalls> addDatabaseEngine(Machine& machine, const DatabaseEngineInfo& info) {
  const std::string dir = info.dir;
  const std::string library = dir + "\\idapi32.dll";
  auto calls = addEngineLibrary(machine, library, info.start);
  if (!info.version.empty()) {
    VersionInfo v;
    v.present = true;
    v.fileVersion = info.version;
    machine.setVersion(library, v);
  }
  addComServer(machine, dir + "\\idsql32.dll", ComServerInfo{"", "{FB99D701-18B9-11D0-A4CF-00A024C91936}"});
  ensureFile(machine, dir + "\\bdeadmin.exe", "admin");
  ensureFile(machine, dir + "\\blw32.dll", "language drivers");
  ensureFile(machine, dir + "\\IDAPI32.CFG", "configuration");
  // The engine registered itself when it was installed.
  for (const std::string& server : {library, dir + "\\idsql32.dll"}) {
    if (auto lib = machine.libraries().load(server)) (*lib)->call("DllRegisterServer");
  }
  Registry& reg = machine.registry();
  if (auto key = reg.create(Root::localMachine, "Software\\Borland\\Database Engine")) {
    (*key)->write("DLLPATH", Value::text(dir));
    (*key)->write("CONFIGFILE01", Value::text(dir + "\\IDAPI32.CFG"));
    (*key)->write("UseCount", Value::text(info.useCount));
  }
  reg.create(Root::localMachine, "Software\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT");
  if (auto key = reg.create(Root::localMachine, "Software\\Borland\\BLW32"))
    (*key)->write("BLAPIPATH", Value::text(dir));
  if (info.sharedCounts) {
    if (auto key = reg.create(Root::localMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs")) {
      for (const char* name : {"idapi32.dll", "idsql32.dll", "bdeadmin.exe", "blw32.dll", "IDAPI32.CFG"})
        (*key)->write(dir + "\\" + name, Value::dword(1));
    }
  }
  return calls;
}

}  // namespace platform::sim
