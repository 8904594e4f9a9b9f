#include "platform/sim/programs.h"

#include "platform/sim/machine.h"

#include <cstdio>

namespace platform::sim {

namespace {

std::string folded(Machine& machine, const std::string& path) { return foldName(machine.searchFile(path)); }

// The program names CreateProcess would try for a command line, in order.
std::vector<std::string> programCandidates(const std::string& commandLine) {
  std::vector<std::string> names;
  const size_t start = commandLine.find_first_not_of(" \t");
  if (start == std::string::npos) return names;
  if (commandLine[start] == '"') {
    const size_t close = commandLine.find('"', start + 1);
    names.push_back(commandLine.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1));
    return names;
  }
  // Unquoted: each prefix that ends before a blank, shortest first.
  for (size_t i = start; i <= commandLine.size(); ++i)
    if (i == commandLine.size() || commandLine[i] == ' ' || commandLine[i] == '\t')
      names.push_back(commandLine.substr(start, i - start));
  return names;
}

bool hasExtension(const std::string& name) {
  const size_t slash = name.find_last_of("\\/");
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

}  // namespace

void ProgramTable::registerProgram(const std::string& path, ProgramBehaviour behaviour) {
  programs_[folded(machine_, path)] = std::move(behaviour);
}

void ProgramTable::registerHangingProgram(const std::string& path) { hanging_[folded(machine_, path)] = true; }

Result<uint32_t> ProgramTable::runAndWait(const std::string& commandLine, const std::string& workingDirectory) {
  return run(commandLine, workingDirectory, 0);
}

Result<uint32_t> ProgramTable::startAndWait(const ProcessStart& start) {
  return run(start.commandLine, start.workingDirectory, start.creationFlags);
}

Result<uint32_t> ProgramTable::run(const std::string& commandLine, const std::string& workingDirectory,
                                   uint32_t creationFlags) {
  if (Status fault = machine_.faults().check(Op::processRun); !fault) return fault;
  std::string directory = workingDirectory.empty() ? machine_.system().currentDirectory() : workingDirectory;
  if (!machine_.files().directoryExists(directory))
    return Status(Code::pathNotFound, native::directoryName, "working directory " + directory);
  for (std::string name : programCandidates(commandLine)) {
    if (!hasExtension(name)) name += ".exe";
    const std::string path = machine_.searchFile(name);
    if (!machine_.files().fileExists(path)) continue;
    if (hanging_.count(foldName(path)) != 0) {
      runs_.push_back(ProgramRun{path, commandLine, directory, 0, creationFlags, true});
      return Status(Code::failed, kProgramHangs, "the program never ends: " + path);
    }
    auto it = programs_.find(foldName(path));
    if (it == programs_.end()) return Status(Code::failed, native::badExeFormat, "not a program: " + path);
    ProgramBehaviour behaviour = it->second;  // the program may register others while it runs
    const uint32_t exitCode = behaviour(commandLine, directory, machine_);
    runs_.push_back(ProgramRun{path, commandLine, directory, exitCode, creationFlags, false});
    return exitCode;
  }
  return Status(Code::notFound, native::fileNotFound, "no program for " + commandLine);
}

std::string ProgramTable::toString() const {
  std::string out;
  for (const ProgramRun& r : runs_)
    out += "  ran " + r.commandLine + " in " + r.workingDirectory +
           (r.hung ? std::string(": never ended") : ": exit " + std::to_string(r.exitCode)) + "\n";
  return out;
}

class LibraryTable::Loaded : public Library {
 public:
  Loaded(Definition& definition, Machine& machine) : definition_(definition), machine_(machine) { ++definition_.loads; }
  ~Loaded() override { ++definition_.unloads; }

  bool hasEntry(const std::string& name) override { return definition_.entries.count(name) != 0; }

  Result<uint32_t> call(const std::string& name, std::span<const CallArg> args) override {
    auto it = definition_.entries.find(name);
    if (it == definition_.entries.end())
      return Status(Code::notFound, native::procNotFound, "no entry " + name + " in " + definition_.path);
    // The Windows backend calls with at most four arguments; so does this one.
    if (args.size() > 4)
      return Status(Code::invalidArgument, native::invalidParameter, "more than 4 arguments for " + name);
    LibraryEntry entry = it->second;
    return entry(args, machine_);
  }

  bool hasOrdinal(uint16_t ordinal) override { return definition_.ordinals.count(ordinal) != 0; }

  Result<uint32_t> callOrdinal(uint16_t ordinal, std::span<const CallArg> args) override {
    auto it = definition_.ordinals.find(ordinal);
    if (it == definition_.ordinals.end())
      return Status(Code::notFound, native::procNotFound,
                    "no entry #" + std::to_string(ordinal) + " in " + definition_.path);
    LibraryEntry entry = it->second;
    return entry(args, machine_);
  }

 private:
  Definition& definition_;
  Machine& machine_;
};

void LibraryTable::registerLibrary(const std::string& path, std::map<std::string, LibraryEntry> entries) {
  const std::string full = machine_.searchFile(path);
  Definition& definition = libraries_[foldName(full)];
  definition.path = full;
  definition.entries = std::move(entries);
}

void LibraryTable::registerOrdinals(const std::string& path, std::map<uint16_t, LibraryEntry> entries) {
  const std::string full = machine_.searchFile(path);
  Definition& definition = libraries_[foldName(full)];
  definition.path = full;
  definition.ordinals = std::move(entries);
}

Result<std::unique_ptr<Library>> LibraryTable::load(const std::string& path) {
  if (Status fault = machine_.faults().check(Op::libraryLoad); !fault) return fault;
  std::string name = path;
  if (!hasExtension(name)) name += ".dll";
  const std::string full = machine_.searchFile(name);
  if (!machine_.files().fileExists(full)) return Status(Code::notFound, native::modNotFound, "no library " + path);
  auto it = libraries_.find(foldName(full));
  if (it == libraries_.end()) return Status(Code::failed, native::badExeFormat, "not a library: " + full);
  return std::unique_ptr<Library>(new Loaded(it->second, machine_));
}

int LibraryTable::loads(const std::string& path) const {
  auto it = libraries_.find(folded(machine_, path));
  return it == libraries_.end() ? 0 : it->second.loads;
}

int LibraryTable::unloads(const std::string& path) const {
  auto it = libraries_.find(folded(machine_, path));
  return it == libraries_.end() ? 0 : it->second.unloads;
}

int LibraryTable::loadedCount() const {
  int count = 0;
  for (const auto& [key, definition] : libraries_) count += definition.loads - definition.unloads;
  return count;
}

std::string LibraryTable::toString() const {
  std::string out;
  for (const auto& [key, d] : libraries_)
    out += "  library " + d.path + ": loaded x" + std::to_string(d.loads) + ", released x" + std::to_string(d.unloads) + "\n";
  return out;
}

namespace {

std::string versionKey(const TypeLibraryInfo& info) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x.%x", info.major, info.minor);
  return "TypeLib\\" + info.guid + "\\" + hex;
}

std::string directoryOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

Status TypeLibraryTable::registerTypeLibrary(const std::string& path) {
  if (Status fault = machine_.faults().check(Op::typeLibraryRegister); !fault) return fault;
  const std::string full = machine_.searchFile(path);
  if (!machine_.files().fileExists(full)) return Status(Code::notFound, native::fileNotFound, full);
  if (damaged_.count(foldName(full)) != 0) return Status(Code::failed, native::typeLibraryDamaged, "damaged type library " + full);
  if (auto it = failures_.find(foldName(full)); it != failures_.end()) return it->second;
  if (auto it = descriptions_.find(foldName(full)); it != descriptions_.end()) {
    const TypeLibraryInfo& info = it->second;
    Registry& reg = machine_.registry();
    const std::string key = versionKey(info);
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%x", info.lcid);
    auto version = reg.create(Root::classesRoot, key);
    if (!version) return version.status();
    if (Status s = (*version)->write("", Value::text(info.name)); !s) return s;
    auto win32 = reg.create(Root::classesRoot, key + "\\" + lcid + "\\win32");
    if (!win32) return win32.status();
    if (Status s = (*win32)->write("", Value::text(full)); !s) return s;
    auto flags = reg.create(Root::classesRoot, key + "\\FLAGS");
    if (!flags) return flags.status();
    if (Status s = (*flags)->write("", Value::text("0")); !s) return s;
    auto help = reg.create(Root::classesRoot, key + "\\HELPDIR");
    if (!help) return help.status();
    if (Status s = (*help)->write("", Value::text(directoryOf(info.helpFile))); !s) return s;
  }
  registered_[foldName(full)] = full;
  return {};
}

namespace {

// Removes a key with everything below it.
Status removeTree(Registry& reg, Root root, const std::string& path) {
  auto key = reg.open(root, path, Access::read);
  if (!key) return key.status();
  auto names = (*key)->subkeys();
  key->reset();
  if (!names) return names.status();
  for (const std::string& name : *names)
    if (Status s = removeTree(reg, root, path + "\\" + name); !s) return s;
  return reg.removeKey(root, path);
}

}  // namespace

Status TypeLibraryTable::unregisterTypeLibrary(const std::string& path) {
  const std::string full = machine_.searchFile(path);
  if (!machine_.files().fileExists(full)) return Status(Code::notFound, native::fileNotFound, full);
  if (damaged_.count(foldName(full)) != 0) return Status(Code::failed, native::typeLibraryDamaged, "damaged type library " + full);
  if (!unregisterSupported_) return Status(Code::notSupported, native::procNotFound, "no UnRegisterTypeLib");
  if (registered_.erase(foldName(full)) == 0) return Status(Code::notFound, native::fileNotFound, "not registered: " + full);
  if (auto it = descriptions_.find(foldName(full)); it != descriptions_.end()) {
    Registry& reg = machine_.registry();
    const std::string key = versionKey(it->second);
    if (Status s = removeTree(reg, Root::classesRoot, key); !s) return s;
    const std::string guidKey = key.substr(0, key.rfind('\\'));
    if (auto guid = reg.open(Root::classesRoot, guidKey, Access::read)) {
      auto subkeys = (*guid)->subkeys();
      guid->reset();
      if (subkeys && subkeys->empty()) reg.removeKey(Root::classesRoot, guidKey);
    }
  }
  return {};
}

void TypeLibraryTable::describe(const std::string& path, TypeLibraryInfo info) {
  descriptions_[folded(machine_, path)] = std::move(info);
}

void TypeLibraryTable::markDamaged(const std::string& path) { damaged_[folded(machine_, path)] = true; }

void TypeLibraryTable::failRegistration(const std::string& path, Status status) {
  failures_[folded(machine_, path)] = std::move(status);
}

bool TypeLibraryTable::isRegistered(const std::string& path) const {
  return registered_.count(folded(machine_, path)) != 0;
}

std::string TypeLibraryTable::toString() const {
  std::string out;
  for (const auto& [key, path] : registered_) out += "  type library registered: " + path + "\n";
  return out;
}

}  // namespace platform::sim
