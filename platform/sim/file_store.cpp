#include "platform/sim/file_store.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/system_paths.h"

namespace platform::sim {

namespace {

Status error(Code code, uint32_t nativeCode, const std::string& what) { return Status(code, nativeCode, what); }

Status notFound(const std::string& path) { return error(Code::notFound, native::fileNotFound, path); }
Status pathNotFound(const std::string& path) { return error(Code::pathNotFound, native::pathNotFound, path); }
Status accessDenied(const std::string& path) { return error(Code::accessDenied, native::accessDenied, path); }
Status inUse(const std::string& path) { return error(Code::sharingViolation, native::sharingViolation, path); }

constexpr uint64_t maxFileSize = uint64_t{1} << 32;

// An open handle: keeps the node alive and holds its share of the node's
// open counts until closed.
class OpenFile : public File {
 public:
  OpenFile(std::shared_ptr<Node> node, bool writable, Faults& faults, Clock& clock)
      : node_(std::move(node)), writable_(writable), faults_(faults), clock_(clock) {
    if (writable_) {
      node_->writer = true;
    } else {
      ++node_->readers;
    }
  }
  ~OpenFile() override { release(); }

  Result<size_t> read(void* buffer, size_t size) override {
    if (!node_) return Status(Code::invalidArgument, 6, "file is closed");
    if (position_ >= node_->data.size()) return size_t{0};
    const size_t n = std::min<uint64_t>(size, node_->data.size() - position_);
    std::memcpy(buffer, node_->data.data() + position_, n);
    position_ += n;
    return n;
  }

  Status write(const void* data, size_t size) override {
    if (!node_) return Status(Code::invalidArgument, 6, "file is closed");
    if (Status fault = faults_.check(Op::write); !fault) return fault;
    if (!writable_) return Status(Code::accessDenied, native::accessDenied, "file is open for reading");
    const uint64_t end = position_ + size;
    // The machine lives in memory: a file past 4 GB fills its "disk"
    // instead of exhausting the test's memory.
    if (end < position_ || end > maxFileSize) return Status(Code::diskFull, native::diskFull, "simulated disk is full");
    if (end > node_->data.size()) node_->data.resize(static_cast<size_t>(end), '\0');
    if (size > 0) std::memcpy(node_->data.data() + position_, data, size);
    position_ = end;
    node_->writeTime = clock_.now;
    return {};
  }

  Status seek(uint64_t offset) override {
    if (!node_) return Status(Code::invalidArgument, 6, "file is closed");
    position_ = offset;
    return {};
  }

  Result<uint64_t> size() override {
    if (!node_) return Status(Code::invalidArgument, 6, "file is closed");
    return static_cast<uint64_t>(node_->data.size());
  }

  Status close() override {
    release();
    return {};
  }

 private:
  void release() {
    if (!node_) return;
    if (writable_) {
      node_->writer = false;
    } else {
      --node_->readers;
    }
    node_.reset();
  }

  std::shared_ptr<Node> node_;
  bool writable_;
  Faults& faults_;
  Clock& clock_;
  uint64_t position_ = 0;
};

// Attributes a caller may set; the directory bit stays as it is.
constexpr uint32_t settableAttributes = attr::readOnly | attr::hidden | attr::system | attr::archive | 0x100 /*temporary*/ |
                                        0x2000 /*not content indexed*/;

uint32_t reportedAttributes(const Node& node) {
  if (node.attributes == 0) return attr::normal;
  return node.attributes;
}

FileInfo infoOf(const Node& node) {
  return FileInfo{reportedAttributes(node), node.isDirectory() ? 0 : node.data.size(), node.writeTime};
}

std::string assignShortName(const Node& parent, const std::string& name) {
  if (isShortName(name)) return name;
  for (int n = 1;; ++n) {
    const std::string candidate = makeShortName(name, n);
    const std::string folded = foldName(candidate);
    bool taken = false;
    for (const auto& [key, sibling] : parent.children) {
      if (key == folded || foldName(sibling->shortName) == folded) {
        taken = true;
        break;
      }
    }
    if (!taken) return candidate;
  }
}

char driveLetterOf(const std::string& root) {
  if (root.size() < 2 || root[1] != ':') return 0;
  if (root.size() > 3 || (root.size() == 3 && root[2] != '\\' && root[2] != '/')) return 0;
  const char letter = static_cast<char>(root[0] & ~0x20);
  return (letter >= 'A' && letter <= 'Z') ? letter : 0;
}

bool isInside(const Node& ancestor, const Node& node) {
  if (&ancestor == &node) return true;
  for (const auto& [key, child] : ancestor.children)
    if (child->isDirectory() && isInside(*child, node)) return true;
  return false;
}

std::string hex(uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", v);
  return buffer;
}

}  // namespace

FileStore::FileStore(Faults& faults, Clock& clock, std::function<std::string()> currentDirectory)
    : faults_(faults), clock_(clock), currentDirectory_(std::move(currentDirectory)) {}

std::shared_ptr<Node> FileStore::child(const Node& parent, const std::string& name) {
  const std::string folded = foldName(name);
  if (auto it = parent.children.find(folded); it != parent.children.end()) return it->second;
  // A short alias names the same entry. Aliases that differ from their
  // names always carry "~", so other names need no walk over the
  // directory (which made large directories quadratic to fill).
  if (folded.find('~') == std::string::npos) return nullptr;
  for (const auto& [key, node] : parent.children)
    if (foldName(node->shortName) == folded) return node;
  return nullptr;
}

std::shared_ptr<Node> FileStore::addChild(Node& parent, const std::string& name, uint32_t attributes) {
  auto node = std::make_shared<Node>();
  node->name = name;
  node->shortName = assignShortName(parent, name);
  node->attributes = attributes;
  node->writeTime = clock_.now;
  parent.children[foldName(name)] = node;
  return node;
}

Result<FileStore::Lookup> FileStore::lookup(const std::string& path) {
  auto parts = parsePath(path, currentDirectory_());
  if (!parts) return parts.status();
  auto drive = drives_.find(parts->drive);
  if (drive == drives_.end()) return pathNotFound(path);
  Lookup result{*parts, nullptr, nullptr};
  std::shared_ptr<Node> current = drive->second.root;
  const std::vector<std::string>& names = parts->names;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!current->isDirectory()) return result;  // a file on the way
    std::shared_ptr<Node> next = child(*current, names[i]);
    if (i + 1 == names.size()) {
      result.parent = current;
      result.node = next;
      return result;
    }
    if (!next) return result;
    current = next;
  }
  result.node = current;  // the root
  return result;
}

Result<std::shared_ptr<Node>> FileStore::findExisting(const std::string& path) {
  auto found = lookup(path);
  if (!found) return found.status();
  if (found->node) return found->node;
  if (!found->parent) return pathNotFound(path);
  return notFound(path);
}

Result<std::shared_ptr<Node>> FileStore::find(const std::string& path) { return findExisting(path); }

Result<FileInfo> FileStore::stat(const std::string& path) {
  auto node = findExisting(path);
  if (!node) return node.status();
  return infoOf(**node);
}

Result<std::unique_ptr<File>> FileStore::open(const std::string& path, OpenMode mode) {
  if (mode != OpenMode::read) {
    if (Status fault = faults_.check(Op::openForWrite); !fault) return fault;
  }
  auto found = lookup(path);
  if (!found) return found.status();
  if (!found->parent) {
    if (found->parts.names.empty()) return accessDenied(path);  // the root directory
    return pathNotFound(path);
  }
  std::shared_ptr<Node> node = found->node;
  if (!node) {
    if (mode != OpenMode::createAlways) return notFound(path);
    node = addChild(*found->parent, found->parts.names.back(), attr::archive);
    return std::unique_ptr<File>(new OpenFile(node, true, faults_, clock_));
  }
  if (node->isDirectory()) return accessDenied(path);
  if (mode == OpenMode::read) {
    if (node->writer) return inUse(path);
    return std::unique_ptr<File>(new OpenFile(node, false, faults_, clock_));
  }
  if (node->attributes & attr::readOnly) return accessDenied(path);
  if (node->inUse()) return inUse(path);
  if (mode == OpenMode::createAlways) {
    node->data.clear();
    node->version = {};
    node->writeTime = clock_.now;
    node->attributes = (node->attributes & settableAttributes) | attr::archive;
  }
  return std::unique_ptr<File>(new OpenFile(node, true, faults_, clock_));
}

Status FileStore::removeFile(const std::string& path) {
  if (Status fault = faults_.check(Op::removeFile); !fault) return fault;
  auto found = lookup(path);
  if (!found) return found.status();
  if (!found->parent) return found->parts.names.empty() ? accessDenied(path) : pathNotFound(path);
  if (!found->node) return notFound(path);
  const Node& node = *found->node;
  if (node.isDirectory() || (node.attributes & attr::readOnly)) return accessDenied(path);
  if (node.inUse()) return inUse(path);
  found->parent->children.erase(foldName(node.name));
  return {};
}

Status FileStore::createDirectory(const std::string& path) {
  if (Status fault = faults_.check(Op::createDirectory); !fault) return fault;
  auto found = lookup(path);
  if (!found) return found.status();
  if (found->parts.names.empty() || found->node) return error(Code::alreadyExists, native::alreadyExists, path);
  if (!found->parent) return pathNotFound(path);
  addChild(*found->parent, found->parts.names.back(), attr::directory);
  return {};
}

Status FileStore::removeDirectory(const std::string& path) {
  if (Status fault = faults_.check(Op::removeDirectory); !fault) return fault;
  auto found = lookup(path);
  if (!found) return found.status();
  if (found->parts.names.empty()) return accessDenied(path);
  if (!found->parent) return pathNotFound(path);
  if (!found->node) return notFound(path);
  const Node& node = *found->node;
  if (!node.isDirectory()) return error(Code::invalidArgument, native::directoryName, "not a directory: " + path);
  if (!node.children.empty()) return error(Code::notEmpty, native::dirNotEmpty, path);
  if (node.attributes & attr::readOnly) return accessDenied(path);
  found->parent->children.erase(foldName(node.name));
  return {};
}

Status FileStore::rename(const std::string& from, const std::string& to) {
  if (Status fault = faults_.check(Op::rename); !fault) return fault;
  auto source = lookup(from);
  if (!source) return source.status();
  if (!source->parent) return source->parts.names.empty() ? accessDenied(from) : pathNotFound(from);
  if (!source->node) return notFound(from);
  auto target = lookup(to);
  if (!target) return target.status();
  if (target->parts.names.empty()) return accessDenied(to);
  if (!target->parent) return pathNotFound(to);
  std::shared_ptr<Node> node = source->node;
  const bool sameEntry = target->node == node;  // a change of case only
  if (target->node && !sameEntry) return error(Code::alreadyExists, native::alreadyExists, to);
  if (node->inUse()) return inUse(from);
  if (node->isDirectory()) {
    if (source->parts.drive != target->parts.drive) return error(Code::notSupported, native::notSameDevice, to);
    if (isInside(*node, *target->parent)) return error(Code::invalidArgument, native::invalidParameter, "a directory cannot move into itself: " + to);
  }
  source->parent->children.erase(foldName(node->name));
  node->name = target->parts.names.back();
  node->shortName = assignShortName(*target->parent, node->name);
  target->parent->children[foldName(node->name)] = node;
  return {};
}

Status FileStore::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
  if (Status fault = faults_.check(Op::copy); !fault) return fault;
  auto source = findExisting(from);
  if (!source) return source.status();
  const Node& original = **source;
  if (original.isDirectory()) return accessDenied(from);
  if (original.writer) return inUse(from);
  auto target = lookup(to);
  if (!target) return target.status();
  if (target->parts.names.empty()) return accessDenied(to);
  if (!target->parent) return pathNotFound(to);
  std::shared_ptr<Node> node = target->node;
  if (node) {
    if (node.get() == &original) return inUse(to);
    if (failIfExists) return error(Code::alreadyExists, native::fileExists, to);
    if (node->isDirectory() || (node->attributes & attr::readOnly)) return accessDenied(to);
    if (node->inUse()) return inUse(to);
  } else {
    node = addChild(*target->parent, target->parts.names.back(), 0);
  }
  node->data = original.data;
  node->version = original.version;
  node->writeTime = original.writeTime;
  node->attributes = (original.attributes & settableAttributes) | attr::archive;
  return {};
}

Status FileStore::setAttributes(const std::string& path, uint32_t attributes) {
  if (Status fault = faults_.check(Op::setAttributes); !fault) return fault;
  auto node = findExisting(path);
  if (!node) return node.status();
  Node& n = **node;
  n.attributes = (n.attributes & attr::directory) | (attributes & settableAttributes);
  return {};
}

Status FileStore::setWriteTime(const std::string& path, FileTime time) {
  auto node = findExisting(path);
  if (!node) return node.status();
  (*node)->writeTime = time;
  return {};
}

Result<DosDateTime> FileStore::fileAge(const std::string& path) {
  auto node = findExisting(path);
  if (!node) return node.status();
  if ((*node)->isDirectory()) return notFound(path);
  return fileTimeToDos(clock_.toLocal((*node)->writeTime));
}

Status FileStore::setFileAge(const std::string& path, DosDateTime age) {
  return setWriteTime(path, clock_.toUtc(dosToFileTime(age)));
}

Result<std::vector<DirEntry>> FileStore::list(const std::string& directory, const std::string& pattern) {
  auto node = findExisting(directory);
  if (!node) return node.status().code() == Code::notFound ? pathNotFound(directory) : node.status();
  if (!(*node)->isDirectory()) return pathNotFound(directory);
  std::vector<DirEntry> entries;
  for (const auto& [key, child] : (*node)->children)  // the map keeps folded-name order
    if (matchesPattern(child->name, pattern) || matchesPattern(child->shortName, pattern))
      entries.push_back(DirEntry{child->name, infoOf(*child)});
  return entries;
}

Result<std::string> FileStore::tempPath() { return tempPath_; }

void FileStore::setTempPathUnicode(std::u16string longPath, std::optional<std::u16string> shortPath) {
  tempPath_ = SystemPathIn1251(longPath, [&](std::u16string_view) { return shortPath; });
}

Result<std::string> FileStore::tempFileName(const std::string& directory, const std::string& prefix, uint32_t unique) {
  std::string base = directory;
  if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
  base += prefix.substr(0, 3);
  if (unique != 0) return base + hex(unique & 0xFFFF) + ".TMP";
  auto dir = findExisting(directory);
  if (!dir || !(*dir)->isDirectory()) return error(Code::pathNotFound, native::directoryName, directory);
  for (uint32_t tries = 0; tries < 0xFFFF; ++tries) {
    const uint32_t number = nextTempNumber_;
    nextTempNumber_ = nextTempNumber_ % 0xFFFF + 1;
    const std::string candidate = base + hex(number) + ".TMP";
    auto found = lookup(candidate);
    if (!found) return found.status();
    if (found->node) continue;
    if (Status fault = faults_.check(Op::openForWrite); !fault) return fault;
    if (!found->parent) return pathNotFound(candidate);
    addChild(*found->parent, found->parts.names.back(), attr::archive);
    return candidate;
  }
  return error(Code::alreadyExists, native::fileExists, "no free temporary name in " + directory);
}

Result<std::string> FileStore::shortPath(const std::string& path) {
  auto found = lookup(path);
  if (!found) return found.status();
  auto drive = drives_.find(found->parts.drive);
  if (drive == drives_.end()) return pathNotFound(path);
  std::string result{found->parts.drive, ':'};
  std::shared_ptr<Node> current = drive->second.root;
  for (const std::string& name : found->parts.names) {
    current = current->isDirectory() ? child(*current, name) : nullptr;
    if (!current) return notFound(path);
    result += "\\" + current->shortName;
  }
  if (found->parts.names.empty()) result += "\\";
  return result;
}

uint32_t FileStore::logicalDrives() {
  uint32_t mask = 0;
  for (const auto& [letter, drive] : drives_) mask |= 1u << (letter - 'A');
  return mask;
}

Drive* FileStore::driveOf(const std::string& root) {
  const char letter = driveLetterOf(root);
  auto it = drives_.find(letter);
  return it == drives_.end() ? nullptr : &it->second;
}

DriveType FileStore::driveType(const std::string& root) {
  const Drive* drive = driveOf(root);
  return drive ? drive->type : DriveType::noRootDir;
}

Result<DiskFreeSpace> FileStore::diskFreeSpace(const std::string& root) {
  const Drive* drive = driveOf(root);
  if (!drive) return pathNotFound(root);
  return drive->space;
}

Result<VersionInfo> FileStore::versionInfo(const std::string& path) {
  auto node = findExisting(path);
  if (!node) return node.status();
  return (*node)->version;
}

void FileStore::addDrive(char letter, DriveType type, DiskFreeSpace space) {
  letter = static_cast<char>(letter & ~0x20);
  Drive& drive = drives_[letter];
  drive.type = type;
  drive.space = space;
  if (!drive.root) {
    drive.root = std::make_shared<Node>();
    drive.root->attributes = attr::directory;
    drive.root->writeTime = clock_.now;
  }
}

Status FileStore::makeDirectories(const std::string& path) {
  auto parts = parsePath(path, currentDirectory_());
  if (!parts) return parts.status();
  auto drive = drives_.find(parts->drive);
  if (drive == drives_.end()) return pathNotFound(path);
  std::shared_ptr<Node> current = drive->second.root;
  for (const std::string& name : parts->names) {
    std::shared_ptr<Node> next = child(*current, name);
    if (!next) next = addChild(*current, name, attr::directory);
    if (!next->isDirectory()) return error(Code::alreadyExists, native::alreadyExists, "a file is in the way: " + path);
    current = next;
  }
  return {};
}

Status FileStore::putFile(const std::string& path, const std::string& content, uint32_t attributes) {
  auto parts = parsePath(path, currentDirectory_());
  if (!parts) return parts.status();
  if (parts->names.empty()) return accessDenied(path);
  PathParts dir = *parts;
  dir.names.pop_back();
  if (Status made = makeDirectories(dir.text()); !made) return made;
  auto found = lookup(path);
  if (!found) return found.status();
  std::shared_ptr<Node> node = found->node;
  if (node && node->isDirectory()) return accessDenied(path);
  if (!node) node = addChild(*found->parent, parts->names.back(), 0);
  node->data = content;
  node->attributes = attributes & settableAttributes;
  node->writeTime = clock_.now;
  return {};
}

Result<std::string> FileStore::content(const std::string& path) {
  auto node = findExisting(path);
  if (!node) return node.status();
  if ((*node)->isDirectory()) return accessDenied(path);
  return (*node)->data;
}

Status FileStore::setVersion(const std::string& path, const VersionInfo& version) {
  auto node = findExisting(path);
  if (!node) return node.status();
  (*node)->version = version;
  return {};
}

Status FileStore::setLocked(const std::string& path, bool locked) {
  auto node = findExisting(path);
  if (!node) return node.status();
  (*node)->locked = locked;
  return {};
}

namespace {

std::string attributeLetters(uint32_t a) {
  std::string s;
  if (a & attr::directory) s += 'D';
  if (a & attr::readOnly) s += 'R';
  if (a & attr::hidden) s += 'H';
  if (a & attr::system) s += 'S';
  if (a & attr::archive) s += 'A';
  return s.empty() ? "-" : s;
}

void dumpNode(const Node& node, const std::string& path, std::string& out) {
  for (const auto& [key, child] : node.children) {
    const std::string childPath = path + "\\" + child->name;
    out += "  " + childPath;
    if (child->shortName != child->name) out += " (" + child->shortName + ")";
    out += " [" + attributeLetters(child->attributes) + "]";
    if (!child->isDirectory()) {
      char age[32];
      const DosDateTime dos = fileTimeToDos(child->writeTime);
      std::snprintf(age, sizeof age, " %04u-%02u-%02u %02u:%02u:%02u", 1980 + (dos >> 25), (dos >> 21) & 0xF,
                    (dos >> 16) & 0x1F, (dos >> 11) & 0x1F, (dos >> 5) & 0x3F, (dos & 0x1F) * 2);
      out += " " + std::to_string(child->data.size()) + " bytes" + age;
      if (child->version.present) out += " version " + child->version.text();
      if (child->locked) out += " LOCKED";
      if (child->writer) out += " open-for-write";
      if (child->readers > 0) out += " open-for-read x" + std::to_string(child->readers);
    }
    out += "\n";
    if (child->isDirectory()) dumpNode(*child, childPath, out);
  }
}

}  // namespace

std::string FileStore::toString() const {
  std::string out;
  for (const auto& [letter, drive] : drives_) {
    out += std::string("drive ") + letter + ": type " + std::to_string(static_cast<uint32_t>(drive.type)) + "\n";
    dumpNode(*drive.root, std::string{letter, ':'}, out);
  }
  return out;
}

}  // namespace platform::sim
