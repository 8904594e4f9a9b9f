#include "bde/find_engine_dir.h"

#include "startup/tools.h"

namespace bde {

std::string FindEngineDir(platform::Registry& registry, const std::string& windowsDir) {
  const std::string drive = windowsDir.size() >= 2 && windowsDir[1] == ':' ? windowsDir.substr(0, 2) : std::string();
  const std::string standard = drive + "\\Program Files\\Borland\\Common Files\\BDE";
  auto key = registry.open(platform::Root::localMachine, kEngineKey, platform::Access::read);
  if (!key.ok()) return standard;
  auto value = key.value()->read("DLLPATH");
  if (!value.ok()) return {};  // a missing value gives no directory
  if (!value->isText()) return standard;
  return startup::Field(value->data, ';', 1);
}

}  // namespace bde
