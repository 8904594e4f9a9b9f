#pragma once
// The shell of the in-memory machine: special folders, shortcut files (a
// readable serialisation of the link), and a record of "open" requests.

#include <map>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace platform::sim {

class FileStore;

struct ShellOpen {
  std::string file;
  std::string parameters;
  std::string directory;
  int showCommand = 0;
};

class ShellState : public Shell {
 public:
  explicit ShellState(FileStore& files);

  Result<std::string> specialFolder(int csidl) override;
  Status saveLink(const std::string& linkPath, const ShellLink& link) override;
  Result<ShellLink> loadLink(const std::string& linkPath) override;
  Status open(const std::string& file, const std::string& parameters, const std::string& directory,
              int showCommand) override;

  // Set-up for tests; an empty path removes the folder.
  void setSpecialFolder(int csidl, std::string path);
  const std::map<int, std::string>& specialFolders() const { return folders_; }
  const std::vector<ShellOpen>& opened() const { return opened_; }

  std::string toString() const;

 private:
  FileStore& files_;
  std::map<int, std::string> folders_;
  std::vector<ShellOpen> opened_;
};

}  // namespace platform::sim
