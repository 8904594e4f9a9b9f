#include "platform/win32/registry.h"

#include <vector>

#include "platform/win32/api.h"

namespace platform::win32 {

namespace {

HKEY rootKey(Root root) {
  switch (root) {
    case Root::classesRoot: return HKEY_CLASSES_ROOT;
    case Root::currentUser: return HKEY_CURRENT_USER;
    case Root::localMachine: return HKEY_LOCAL_MACHINE;
    case Root::users: return HKEY_USERS;
    case Root::currentConfig: return HKEY_CURRENT_CONFIG;
    case Root::dynData: return HKEY_DYN_DATA;
  }
  return HKEY_CURRENT_USER;
}

std::string describe(Root root, const std::string& path) { return std::string(rootName(root)) + "\\" + path; }

// The registry's UTF-16 bytes as 1251 text, without the terminating zeros.
std::string textFromBytes(const std::vector<BYTE>& bytes) {
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<wchar_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return narrow(text);
}

std::vector<BYTE> bytesFromText(const std::string& text, size_t terminators) {
  std::wstring w = wide(text);
  w.append(terminators, L'\0');
  std::vector<BYTE> bytes(w.size() * 2);
  for (size_t i = 0; i < w.size(); ++i) {
    bytes[2 * i] = static_cast<BYTE>(w[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<BYTE>(w[i] >> 8);
  }
  return bytes;
}

class WindowsKey : public RegistryKey {
 public:
  WindowsKey(UniqueKey key, std::string name) : key_(std::move(key)), name_(std::move(name)) {}

  Result<Value> read(const std::string& name) override {
    const std::wstring valueName = wide(name);
    for (;;) {
      DWORD type = 0, size = 0;
      LSTATUS rc = ::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
      if (rc != ERROR_SUCCESS) return fromWin32(rc, name_ + " value " + name);
      std::vector<BYTE> data(size);
      rc = ::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, data.data(), &size);
      if (rc == ERROR_MORE_DATA) continue;  // it grew in between
      if (rc != ERROR_SUCCESS) return fromWin32(rc, name_ + " value " + name);
      data.resize(size);
      Value value{static_cast<ValueType>(type), {}};
      if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        value.data = textFromBytes(data);
      } else {
        value.data.assign(data.begin(), data.end());
      }
      return value;
    }
  }

  Status write(const std::string& name, const Value& value) override {
    // RegSetValueEx stores a DWORD of any length; readers expect four bytes.
    if (value.type == ValueType::dword && value.data.size() != 4)
      return Status(Code::invalidArgument, ERROR_INVALID_PARAMETER, name_ + " value " + name + ": a dword value takes 4 bytes");
    std::vector<BYTE> data;
    switch (value.type) {
      case ValueType::string:
      case ValueType::expandString: data = bytesFromText(value.data, 1); break;
      case ValueType::multiString: data = bytesFromText(value.data, 2); break;
      default: data.assign(value.data.begin(), value.data.end()); break;
    }
    const LSTATUS rc = ::RegSetValueExW(key_.get(), wide(name).c_str(), 0, static_cast<DWORD>(value.type),
                                        data.data(), static_cast<DWORD>(data.size()));
    return fromWin32(rc, name_ + " value " + name);
  }

  Status removeValue(const std::string& name) override {
    return fromWin32(::RegDeleteValueW(key_.get(), wide(name).c_str()), name_ + " value " + name);
  }

  Result<std::vector<std::string>> subkeys() override {
    std::vector<std::string> names;
    wchar_t buffer[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = 256;
      const LSTATUS rc = ::RegEnumKeyExW(key_.get(), i, buffer, &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) return names;
      if (rc != ERROR_SUCCESS) return fromWin32(rc, "subkeys of " + name_);
      names.push_back(narrow(buffer, length));
    }
  }

  Status flush() override { return fromWin32(::RegFlushKey(key_.get()), "flush " + name_); }

  Result<std::vector<std::string>> valueNames() override {
    std::vector<std::string> names;
    std::vector<wchar_t> buffer(16384);
    for (DWORD i = 0;; ++i) {
      DWORD length = static_cast<DWORD>(buffer.size());
      const LSTATUS rc = ::RegEnumValueW(key_.get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) return names;
      if (rc != ERROR_SUCCESS) return fromWin32(rc, "values of " + name_);
      names.push_back(narrow(buffer.data(), length));
    }
  }

 private:
  UniqueKey key_;
  std::string name_;
};

}  // namespace

Result<std::unique_ptr<RegistryKey>> WindowsRegistry::open(Root root, const std::string& path, Access access) {
  UniqueKey key;
  const LSTATUS rc = ::RegOpenKeyExW(rootKey(root), wide(path).c_str(), 0,
                                     access == Access::all ? KEY_ALL_ACCESS : KEY_READ, key.put());
  if (rc != ERROR_SUCCESS) return fromWin32(rc, describe(root, path));
  return std::unique_ptr<RegistryKey>(new WindowsKey(std::move(key), describe(root, path)));
}

Result<std::unique_ptr<RegistryKey>> WindowsRegistry::create(Root root, const std::string& path, bool* created) {
  if (created) *created = false;
  UniqueKey key;
  DWORD disposition = 0;
  const LSTATUS rc = ::RegCreateKeyExW(rootKey(root), wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, nullptr, key.put(), &disposition);
  if (rc != ERROR_SUCCESS) return fromWin32(rc, describe(root, path));
  if (created) *created = disposition == REG_CREATED_NEW_KEY;
  return std::unique_ptr<RegistryKey>(new WindowsKey(std::move(key), describe(root, path)));
}

Status WindowsRegistry::removeKey(Root root, const std::string& path) {
  if (path.empty()) return Status(Code::invalidArgument, ERROR_INVALID_PARAMETER, "cannot remove a root key");
  {
    // Windows refuses a key with subkeys as "access denied"; say why.
    UniqueKey key;
    LSTATUS rc = ::RegOpenKeyExW(rootKey(root), wide(path).c_str(), 0, KEY_READ, key.put());
    if (rc != ERROR_SUCCESS) return fromWin32(rc, describe(root, path));
    DWORD subkeys = 0;
    rc = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS && subkeys > 0)
      return Status(Code::notEmpty, ERROR_ACCESS_DENIED, "key has subkeys: " + describe(root, path));
  }
  return fromWin32(::RegDeleteKeyW(rootKey(root), wide(path).c_str()), describe(root, path));
}

}  // namespace platform::win32
