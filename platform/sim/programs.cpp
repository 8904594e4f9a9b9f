#include "platform/sim/programs.h"

#include "platform/sim/machine.h"

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

Result<uint32_t> ProgramTable::runAndWait(const std::string& commandLine, const std::string& workingDirectory) {
  if (Status fault = machine_.faults().check(Op::processRun); !fault) return fault;
  std::string directory = workingDirectory.empty() ? machine_.system().currentDirectory() : workingDirectory;
  if (!machine_.files().directoryExists(directory))
    return Status(Code::pathNotFound, native::directoryName, "working directory " + directory);
  for (std::string name : programCandidates(commandLine)) {
    if (!hasExtension(name)) name += ".exe";
    const std::string path = machine_.searchFile(name);
    if (!machine_.files().fileExists(path)) continue;
    auto it = programs_.find(foldName(path));
    if (it == programs_.end()) return Status(Code::failed, native::badExeFormat, "not a program: " + path);
    ProgramBehaviour behaviour = it->second;  // the program may register others while it runs
    const uint32_t exitCode = behaviour(commandLine, directory, machine_);
    runs_.push_back(ProgramRun{path, commandLine, directory, exitCode});
    return exitCode;
  }
  return Status(Code::notFound, native::fileNotFound, "no program for " + commandLine);
}

std::string ProgramTable::toString() const {
  std::string out;
  for (const ProgramRun& r : runs_)
    out += "  ran " + r.commandLine + " in " + r.workingDirectory + ": exit " + std::to_string(r.exitCode) + "\n";
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

Status TypeLibraryTable::registerTypeLibrary(const std::string& path) {
  if (Status fault = machine_.faults().check(Op::typeLibraryRegister); !fault) return fault;
  const std::string full = machine_.searchFile(path);
  if (!machine_.files().fileExists(full)) return Status(Code::notFound, native::fileNotFound, full);
  if (auto it = failures_.find(foldName(full)); it != failures_.end()) return it->second;
  registered_[foldName(full)] = full;
  return {};
}

Status TypeLibraryTable::unregisterTypeLibrary(const std::string& path) {
  const std::string full = machine_.searchFile(path);
  if (registered_.erase(foldName(full)) == 0) return Status(Code::notFound, native::fileNotFound, "not registered: " + full);
  return {};
}

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
