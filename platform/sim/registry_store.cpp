#include "platform/sim/registry_store.h"

#include <cstdio>
#include <string_view>

#include "platform/sim/path.h"

namespace platform::sim {

namespace {

Result<std::vector<std::string>> splitKeyPath(const std::string& path) {
  if (!path.empty() && path.front() == '\\')
    return Status(Code::invalidArgument, native::badPathname, "key path starts with a backslash: " + path);
  std::vector<std::string> names;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      if (i > start) names.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return names;
}

Status keyNotFound(Root root, const std::string& path) {
  return Status(Code::notFound, native::fileNotFound, std::string(rootName(root)) + "\\" + path);
}

Status keyDeleted() { return Status(Code::failed, native::keyDeleted, "the key has been deleted"); }

class OpenKey : public RegistryKey {
 public:
  OpenKey(std::shared_ptr<KeyNode> node, Access access, Faults& faults)
      : node_(std::move(node)), access_(access), faults_(faults) {}

  Result<Value> read(const std::string& name) override {
    if (node_->deleted) return keyDeleted();
    if (auto* entry = findValue(name)) return entry->second;
    return Status(Code::notFound, native::fileNotFound, "value " + name);
  }

  Status write(const std::string& name, const Value& value) override {
    if (Status fault = faults_.check(Op::registryWrite); !fault) return fault;
    if (node_->deleted) return keyDeleted();
    if (access_ != Access::all) return Status(Code::accessDenied, native::accessDenied, "key opened for reading");
    if (value.type == ValueType::dword && value.data.size() != 4)
      return Status(Code::invalidArgument, native::invalidParameter, "a dword value takes 4 bytes");
    if (auto* entry = findValue(name)) {
      entry->second = value;
    } else {
      node_->values.emplace_back(name, value);
    }
    return {};
  }

  Status removeValue(const std::string& name) override {
    if (Status fault = faults_.check(Op::registryRemove); !fault) return fault;
    if (node_->deleted) return keyDeleted();
    if (access_ != Access::all) return Status(Code::accessDenied, native::accessDenied, "key opened for reading");
    const std::string folded = foldName(name);
    for (auto it = node_->values.begin(); it != node_->values.end(); ++it) {
      if (foldName(it->first) == folded) {
        node_->values.erase(it);
        return {};
      }
    }
    return Status(Code::notFound, native::fileNotFound, "value " + name);
  }

  Result<std::vector<std::string>> subkeys() override {
    if (node_->deleted) return keyDeleted();
    std::vector<std::string> names;
    for (const auto& [key, child] : node_->subkeys) names.push_back(child->name);
    return names;
  }

  Result<std::vector<std::string>> valueNames() override {
    if (node_->deleted) return keyDeleted();
    std::vector<std::string> names;
    for (const auto& [name, value] : node_->values) names.push_back(name);
    return names;
  }

 private:
  std::pair<std::string, Value>* findValue(const std::string& name) {
    const std::string folded = foldName(name);
    for (auto& entry : node_->values)
      if (foldName(entry.first) == folded) return &entry;
    return nullptr;
  }

  std::shared_ptr<KeyNode> node_;
  Access access_;
  Faults& faults_;
};

void markDeleted(KeyNode& node) {
  node.deleted = true;
  for (auto& [key, child] : node.subkeys) markDeleted(*child);
}

}  // namespace

RegistryStore::RegistryStore(Faults& faults) : faults_(faults) {
  for (Root root : {Root::currentUser, Root::localMachine, Root::users, Root::currentConfig, Root::dynData})
    roots_[root] = std::make_shared<KeyNode>(KeyNode{rootName(root), {}, {}, false, false});
  // HKEY_CLASSES_ROOT shows HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
  auto software = std::make_shared<KeyNode>(KeyNode{"SOFTWARE", {}, {}, false, false});
  auto classes = std::make_shared<KeyNode>(KeyNode{"Classes", {}, {}, false, false});
  software->subkeys["CLASSES"] = classes;
  roots_[Root::localMachine]->subkeys["SOFTWARE"] = software;
  roots_[Root::classesRoot] = classes;
}

std::shared_ptr<KeyNode> RegistryStore::rootNode(Root root) {
  auto it = roots_.find(root);
  return it == roots_.end() ? nullptr : it->second;
}

Result<std::shared_ptr<KeyNode>> RegistryStore::find(Root root, const std::string& path) {
  std::shared_ptr<KeyNode> node = rootNode(root);
  if (!node) return Status(Code::invalidArgument, 6, "unknown root");
  auto names = splitKeyPath(path);
  if (!names) return names.status();
  for (const std::string& name : *names) {
    auto it = node->subkeys.find(foldName(name));
    if (it == node->subkeys.end()) return keyNotFound(root, path);
    node = it->second;
  }
  return node;
}

Result<std::unique_ptr<RegistryKey>> RegistryStore::open(Root root, const std::string& path, Access access) {
  auto node = find(root, path);
  if (!node) return node.status();
  if (access == Access::all && (*node)->denyWrite)
    return Status(Code::accessDenied, native::accessDenied, std::string(rootName(root)) + "\\" + path);
  return std::unique_ptr<RegistryKey>(new OpenKey(*node, access, faults_));
}

Result<std::unique_ptr<RegistryKey>> RegistryStore::create(Root root, const std::string& path, bool* created) {
  if (created) *created = false;
  if (Status fault = faults_.check(Op::registryCreate); !fault) return fault;
  std::shared_ptr<KeyNode> node = rootNode(root);
  if (!node) return Status(Code::invalidArgument, 6, "unknown root");
  auto names = splitKeyPath(path);
  if (!names) return names.status();
  const Status denied(Code::accessDenied, native::accessDenied, std::string(rootName(root)) + "\\" + path);
  bool isNew = false;
  for (const std::string& name : *names) {
    const std::string folded = foldName(name);
    auto it = node->subkeys.find(folded);
    if (it == node->subkeys.end()) {
      if (node->denyWrite) return denied;
      auto child = std::make_shared<KeyNode>(KeyNode{name, {}, {}, false, false});
      node->subkeys[folded] = child;
      node = child;
      isNew = true;
    } else {
      node = it->second;
      isNew = false;
    }
  }
  if (node->denyWrite) return denied;
  if (created) *created = isNew;
  return std::unique_ptr<RegistryKey>(new OpenKey(node, Access::all, faults_));
}

Status RegistryStore::removeKey(Root root, const std::string& path) {
  if (Status fault = faults_.check(Op::registryRemove); !fault) return fault;
  auto names = splitKeyPath(path);
  if (!names) return names.status();
  if (names->empty()) return Status(Code::invalidArgument, native::invalidParameter, "cannot remove a root key");
  std::string parentPath;
  for (size_t i = 0; i + 1 < names->size(); ++i) parentPath += (i ? "\\" : "") + (*names)[i];
  auto parent = find(root, parentPath);
  if (!parent) return keyNotFound(root, path);
  auto it = (*parent)->subkeys.find(foldName(names->back()));
  if (it == (*parent)->subkeys.end()) return keyNotFound(root, path);
  KeyNode& node = *it->second;
  if (node.denyWrite) return Status(Code::accessDenied, native::accessDenied, path);
  // Windows refuses with "access denied"; the code says why.
  if (!node.subkeys.empty()) return Status(Code::notEmpty, native::accessDenied, "key has subkeys: " + path);
  markDeleted(node);
  (*parent)->subkeys.erase(it);
  return {};
}

Status RegistryStore::denyWriteAccess(Root root, const std::string& path, bool deny) {
  auto node = find(root, path);
  if (!node) return node.status();
  (*node)->denyWrite = deny;
  return {};
}

Result<Value> RegistryStore::value(Root root, const std::string& path, const std::string& name) {
  auto key = open(root, path, Access::read);
  if (!key) return key.status();
  return (*key)->read(name);
}

Status RegistryStore::setValue(Root root, const std::string& path, const std::string& name, const Value& value) {
  auto node = find(root, path);
  if (!node) {
    // Create quietly, without counting as an engine operation.
    std::shared_ptr<KeyNode> current = rootNode(root);
    auto names = splitKeyPath(path);
    if (!current || !names) return Status(Code::invalidArgument);
    for (const std::string& n : *names) {
      auto& slot = current->subkeys[foldName(n)];
      if (!slot) slot = std::make_shared<KeyNode>(KeyNode{n, {}, {}, false, false});
      current = slot;
    }
    node = current;
  }
  const std::string folded = foldName(name);
  for (auto& entry : (*node)->values) {
    if (foldName(entry.first) == folded) {
      entry.second = value;
      return {};
    }
  }
  (*node)->values.emplace_back(name, value);
  return {};
}

namespace {

std::string typeName(ValueType type) {
  switch (type) {
    case ValueType::none: return "NONE";
    case ValueType::string: return "SZ";
    case ValueType::expandString: return "EXPAND_SZ";
    case ValueType::binary: return "BINARY";
    case ValueType::dword: return "DWORD";
    case ValueType::multiString: return "MULTI_SZ";
  }
  return "?";
}

std::string printable(const Value& value) {
  if (value.type == ValueType::dword) return std::to_string(value.asDword());
  std::string out;
  const bool textual = value.isText() || value.type == ValueType::multiString;
  for (char c : value.data) {
    const auto b = static_cast<unsigned char>(c);
    if (textual && b == 0) {
      out += "\\0";
    } else if (textual && b >= 32) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, textual ? "\\x%02X" : "%02X ", b);
      out += hex;
    }
  }
  return textual ? "\"" + out + "\"" : out;
}

void dumpKey(const KeyNode& node, const std::string& path, std::string& out) {
  out += "  " + path + (node.denyWrite ? " (write access denied)" : "") + "\n";
  for (const auto& [name, value] : node.values)
    out += "    " + (name.empty() ? std::string("@") : name) + " " + typeName(value.type) + " " + printable(value) + "\n";
  for (const auto& [key, child] : node.subkeys) dumpKey(*child, path + "\\" + child->name, out);
}

}  // namespace

std::string RegistryStore::toString() const {
  std::string out;
  for (const auto& [root, node] : roots_) {
    if (root == Root::classesRoot) continue;  // shown under HKLM\SOFTWARE\Classes
    if (node->subkeys.empty() && node->values.empty()) continue;
    dumpKey(*node, rootName(root), out);
  }
  return out;
}

}  // namespace platform::sim
