#pragma once
// The registry: predefined roots, keys opened for one action and closed after
// it, typed values. Value names and data are code page 1251 text.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {

// The predefined root handles, with their Windows values.
enum class Root : uint32_t {
  classesRoot = 0x80000000,
  currentUser = 0x80000001,
  localMachine = 0x80000002,
  users = 0x80000003,
  currentConfig = 0x80000005,
  dynData = 0x80000006,
};
const char* rootName(Root root);  // "HKEY_LOCAL_MACHINE", ...

enum class ValueType : uint32_t {
  none = 0,
  string = 1,        // REG_SZ
  expandString = 2,  // REG_EXPAND_SZ
  binary = 3,        // REG_BINARY
  dword = 4,         // REG_DWORD
  multiString = 7,   // REG_MULTI_SZ
};

struct Value {
  ValueType type = ValueType::none;
  // string kinds: the text without terminator; multiString: the strings
  // joined by '\0'; dword: 4 bytes little-endian; binary: the bytes.
  std::string data;

  static Value text(std::string s) { return {ValueType::string, std::move(s)}; }
  static Value expandText(std::string s) { return {ValueType::expandString, std::move(s)}; }
  static Value binaryData(std::string bytes) { return {ValueType::binary, std::move(bytes)}; }
  static Value dword(uint32_t v);
  bool isText() const { return type == ValueType::string || type == ValueType::expandString; }
  uint32_t asDword() const;  // 0 unless 4 bytes
  bool operator==(const Value&) const = default;
};

enum class Access { read, all };

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual Result<Value> read(const std::string& name) = 0;  // notFound when absent
  virtual Status write(const std::string& name, const Value& value) = 0;
  virtual Status removeValue(const std::string& name) = 0;
  virtual Result<std::vector<std::string>> subkeys() = 0;
  virtual Result<std::vector<std::string>> valueNames() = 0;
  // Writes the key's changes through to the disk now instead of lazily
  // (RegFlushKey). Closing the key (the destructor) does not wait for that.
  // A backend without a disk has nothing to do.
  virtual Status flush() { return {}; }
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens an existing key; notFound when it is missing, accessDenied when the
  // access is refused.
  virtual Result<std::unique_ptr<RegistryKey>> open(Root root, const std::string& path, Access access) = 0;
  // Opens the key, creating it and its missing parents; `created` tells
  // whether the key itself was new.
  virtual Result<std::unique_ptr<RegistryKey>> create(Root root, const std::string& path, bool* created = nullptr) = 0;
  // Deletes a key that has no subkeys.
  virtual Status removeKey(Root root, const std::string& path) = 0;
  bool keyExists(Root root, const std::string& path);
};

}  // namespace platform
