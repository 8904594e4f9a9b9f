#include "actions/can_create_path.h"

#include <vector>

namespace actions {

namespace {

void RemoveCreated(platform::FileSystem& fs, const std::vector<std::string>& created) {
  for (auto it = created.rbegin(); it != created.rend(); ++it) {
    // A level that cannot be removed again stays; the probe reports nothing.
    const platform::Status removed = fs.removeDirectory(*it);
    static_cast<void>(removed);
  }
}

}  // namespace

bool CanCreatePath(platform::FileSystem& fs, const std::string& path) {
  std::vector<std::string> created;
  std::string accumulated;
  size_t pos = 0;
  while (pos < path.size()) {
    size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    if (end > pos) {
      const std::string candidate = accumulated + path.substr(pos, end - pos) + "\\";
      if (!fs.exists(candidate)) {
        if (!fs.createDirectory(candidate).ok()) {
          RemoveCreated(fs, created);
          return false;
        }
        created.push_back(candidate);
      }
      accumulated = candidate;
    }
    pos = end + 1;
  }
  RemoveCreated(fs, created);
  return true;
}

}  // namespace actions
