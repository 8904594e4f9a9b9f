#pragma once
// The in-memory file system: drives, directories and files with attributes,
// write times, version resources and locks, following the Windows rules the
// engine relies on.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/sim/clock.h"
#include "platform/sim/faults.h"
#include "platform/sim/path.h"

namespace platform::sim {

struct Node {
  std::string name;       // as created
  std::string shortName;  // the 8.3 alias (the name itself when it is one)
  uint32_t attributes = 0;
  FileTime writeTime = 0;
  std::string data;
  VersionInfo version;
  bool locked = false;  // held open by "another program": readable only
  int readers = 0;      // open handles for reading
  bool writer = false;  // an open handle for writing
  std::map<std::string, std::shared_ptr<Node>> children;  // by folded name

  bool isDirectory() const { return (attributes & attr::directory) != 0; }
  bool inUse() const { return locked || readers > 0 || writer; }
};

struct Drive {
  DriveType type = DriveType::fixed;
  DiskFreeSpace space;
  std::shared_ptr<Node> root;
};

class FileStore : public FileSystem {
 public:
  // `currentDirectory` gives the directory relative paths start from.
  FileStore(Faults& faults, Clock& clock, std::function<std::string()> currentDirectory);

  Result<FileInfo> stat(const std::string& path) override;
  Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) override;
  Status removeFile(const std::string& path) override;
  Status createDirectory(const std::string& path) override;
  Status removeDirectory(const std::string& path) override;
  Status rename(const std::string& from, const std::string& to) override;
  Status copyFile(const std::string& from, const std::string& to, bool failIfExists) override;
  Status setAttributes(const std::string& path, uint32_t attributes) override;
  Status setWriteTime(const std::string& path, FileTime time) override;
  Result<DosDateTime> fileAge(const std::string& path) override;
  Status setFileAge(const std::string& path, DosDateTime age) override;
  Result<std::vector<DirEntry>> list(const std::string& directory, const std::string& pattern) override;
  Result<std::string> tempPath() override;
  Result<std::string> tempFileName(const std::string& directory, const std::string& prefix, uint32_t unique) override;
  Result<std::string> shortPath(const std::string& path) override;
  uint32_t logicalDrives() override;
  DriveType driveType(const std::string& root) override;
  Result<DiskFreeSpace> diskFreeSpace(const std::string& root) override;
  Result<VersionInfo> versionInfo(const std::string& path) override;

  // Set-up for tests. These bypass fault injection and attributes.
  void addDrive(char letter, DriveType type, DiskFreeSpace space);
  void setTempPath(std::string path) { tempPath_ = std::move(path); }
  // A temporary directory named in letters that may lack a 1251 form, with
  // its short form (nothing: the volume keeps no short names); tempPath()
  // then answers as the real machine does (platform/system_paths.h).
  void setTempPathUnicode(std::u16string longPath, std::optional<std::u16string> shortPath);
  Status makeDirectories(const std::string& path);  // with missing parents
  Status putFile(const std::string& path, const std::string& content, uint32_t attributes = attr::archive);
  Result<std::string> content(const std::string& path);
  Status setVersion(const std::string& path, const VersionInfo& version);
  Status setLocked(const std::string& path, bool locked);
  // The node of an existing path, or its status.
  Result<std::shared_ptr<Node>> find(const std::string& path);

  // "C:\path  size  attributes  date" lines for every drive.
  std::string toString() const;

 private:
  struct Lookup {
    PathParts parts;
    std::shared_ptr<Node> parent;  // null when a directory on the way is missing
    std::shared_ptr<Node> node;    // null when the last name is missing
  };
  Result<Lookup> lookup(const std::string& path);
  Result<std::shared_ptr<Node>> findExisting(const std::string& path);
  std::shared_ptr<Node> addChild(Node& parent, const std::string& name, uint32_t attributes);
  static std::shared_ptr<Node> child(const Node& parent, const std::string& name);
  Drive* driveOf(const std::string& root);

  Faults& faults_;
  Clock& clock_;
  std::function<std::string()> currentDirectory_;
  std::map<char, Drive> drives_;
  std::string tempPath_ = "C:\\WINDOWS\\TEMP\\";
  uint32_t nextTempNumber_ = 1;
};

}  // namespace platform::sim
