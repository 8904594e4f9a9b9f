#include "platform/registry.h"

namespace platform {

const char* rootName(Root root) {
  switch (root) {
    case Root::classesRoot: return "HKEY_CLASSES_ROOT";
    case Root::currentUser: return "HKEY_CURRENT_USER";
    case Root::localMachine: return "HKEY_LOCAL_MACHINE";
    case Root::users: return "HKEY_USERS";
    case Root::currentConfig: return "HKEY_CURRENT_CONFIG";
    case Root::dynData: return "HKEY_DYN_DATA";
  }
  return "HKEY_?";
}

Value Value::dword(uint32_t v) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return {ValueType::dword, bytes};
}

uint32_t Value::asDword() const {
  if (data.size() != 4) return 0;
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(data[i]);
  return v;
}

bool Registry::keyExists(Root root, const std::string& path) {
  return open(root, path, Access::read).ok();
}

}  // namespace platform
