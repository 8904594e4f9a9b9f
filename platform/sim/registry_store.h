#pragma once
// The in-memory registry: predefined roots, keys with case-insensitive,
// case-preserving names, typed values, keys a test marks as refused.

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/faults.h"

namespace platform::sim {

struct KeyNode {
  std::string name;
  std::map<std::string, std::shared_ptr<KeyNode>> subkeys;  // by folded name
  std::vector<std::pair<std::string, Value>> values;        // in the order written
  bool denyWrite = false;  // opening for Access::all is refused
  bool deleted = false;    // removed while a handle was open
};

class RegistryStore : public Registry {
 public:
  explicit RegistryStore(Faults& faults);

  Result<std::unique_ptr<RegistryKey>> open(Root root, const std::string& path, Access access) override;
  Result<std::unique_ptr<RegistryKey>> create(Root root, const std::string& path, bool* created) override;
  Status removeKey(Root root, const std::string& path) override;

  // Set-up for tests: refuse Access::all (and so writes, subkey creation
  // and removal) on an existing key.
  Status denyWriteAccess(Root root, const std::string& path, bool deny = true);
  // Reads a value directly; notFound when the key or value is missing.
  Result<Value> value(Root root, const std::string& path, const std::string& name);
  Status setValue(Root root, const std::string& path, const std::string& name, const Value& value);

  std::string toString() const;

 private:
  Result<std::shared_ptr<KeyNode>> find(Root root, const std::string& path);
  std::shared_ptr<KeyNode> rootNode(Root root);

  Faults& faults_;
  std::map<Root, std::shared_ptr<KeyNode>> roots_;
};

}  // namespace platform::sim
