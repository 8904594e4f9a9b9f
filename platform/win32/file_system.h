#pragma once
// Files on the real machine through the wide-character API.

#include "platform/files.h"

namespace platform::win32 {

class WindowsFileSystem : public FileSystem {
 public:
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
};

}  // namespace platform::win32
