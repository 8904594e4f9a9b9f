#pragma once
// The real registry through the wide-character API.

#include "platform/registry.h"

namespace platform::win32 {

class WindowsRegistry : public Registry {
 public:
  Result<std::unique_ptr<RegistryKey>> open(Root root, const std::string& path, Access access) override;
  Result<std::unique_ptr<RegistryKey>> create(Root root, const std::string& path, bool* created) override;
  Status removeKey(Root root, const std::string& path) override;
};

}  // namespace platform::win32
