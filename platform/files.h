#pragma once
// Files, directories, drives and version resources. Paths are Windows paths
// (drive letter, backslashes) as code page 1251 text; names compare without
// regard to case, as on Windows.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {

// FILETIME: 100-nanosecond intervals since 1601-01-01, UTC.
using FileTime = uint64_t;

// Packed DOS date-time, local time: date in the high 16 bits, time in the low
// 16 bits (the form a file's "age" takes on Windows).
using DosDateTime = uint32_t;

namespace attr {
constexpr uint32_t readOnly = 0x01;
constexpr uint32_t hidden = 0x02;
constexpr uint32_t system = 0x04;
constexpr uint32_t directory = 0x10;
constexpr uint32_t archive = 0x20;
constexpr uint32_t normal = 0x80;
constexpr uint32_t invalid = 0xFFFFFFFF;
}  // namespace attr

struct FileInfo {
  uint32_t attributes = 0;
  uint64_t size = 0;
  FileTime writeTime = 0;
  bool isDirectory() const { return (attributes & attr::directory) != 0; }
};

struct DirEntry {
  std::string name;  // name only, as stored
  FileInfo info;
};

// The version resource of an executable file.
struct VersionInfo {
  bool present = false;    // the file has a version resource
  uint32_t fixedMs = 0;    // VS_FIXEDFILEINFO dwFileVersionMS
  uint32_t fixedLs = 0;    // VS_FIXEDFILEINFO dwFileVersionLS
  std::string fileVersion; // the "FileVersion" string of the first translation, may be empty
  // "FileVersion" text, or the fixed version as four dot-separated numbers;
  // empty when there is no version resource.
  std::string text() const;
};

enum class DriveType : uint32_t {
  unknown = 0,
  noRootDir = 1,
  removable = 2,
  fixed = 3,
  remote = 4,
  cdrom = 5,
  ramdisk = 6,
};

// GetDiskFreeSpace's classic answer.
struct DiskFreeSpace {
  uint32_t sectorsPerCluster = 0;
  uint32_t bytesPerSector = 0;
  uint32_t freeClusters = 0;
  uint32_t totalClusters = 0;
};

enum class OpenMode {
  read,          // existing file, read only, others may read
  createAlways,  // create or truncate, write only
  readWrite,     // existing file, read and write
};

// An open file. Closing flushes; the destructor closes and ignores failures,
// so call close() where a failed write must be noticed.
class File {
 public:
  virtual ~File() = default;
  virtual Result<size_t> read(void* buffer, size_t size) = 0;  // 0 at end of file
  virtual Status write(const void* data, size_t size) = 0;     // all or failure
  virtual Status seek(uint64_t offset) = 0;
  virtual Result<uint64_t> size() = 0;
  virtual Status close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual Result<FileInfo> stat(const std::string& path) = 0;
  bool exists(const std::string& path);           // file or directory
  bool fileExists(const std::string& path);       // a file, not a directory
  bool directoryExists(const std::string& path);  // a directory

  virtual Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) = 0;
  virtual Status removeFile(const std::string& path) = 0;
  virtual Status createDirectory(const std::string& path) = 0;  // one level
  virtual Status removeDirectory(const std::string& path) = 0;  // must be empty
  virtual Status rename(const std::string& from, const std::string& to) = 0;  // fails when `to` exists
  virtual Status copyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;  // keeps the write time
  virtual Status setAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual Status setWriteTime(const std::string& path, FileTime time) = 0;
  virtual Result<DosDateTime> fileAge(const std::string& path) = 0;        // local DOS date-time
  virtual Status setFileAge(const std::string& path, DosDateTime age) = 0;  // from local DOS date-time

  // Entries of a directory whose names match a pattern with * and ?
  // ("." and ".." are left out).
  virtual Result<std::vector<DirEntry>> list(const std::string& directory, const std::string& pattern = "*") = 0;

  // The temporary-files directory, with a trailing backslash.
  virtual Result<std::string> tempPath() = 0;
  // GetTempFileName: with unique 0 the system picks a number and creates the
  // empty file; otherwise the name is only formed.
  virtual Result<std::string> tempFileName(const std::string& directory, const std::string& prefix, uint32_t unique = 0) = 0;
  // The 8.3 form of an existing path.
  virtual Result<std::string> shortPath(const std::string& path) = 0;

  virtual uint32_t logicalDrives() = 0;  // bit 0 = A:
  virtual DriveType driveType(const std::string& root) = 0;
  virtual Result<DiskFreeSpace> diskFreeSpace(const std::string& root) = 0;

  virtual Result<VersionInfo> versionInfo(const std::string& path) = 0;
};

// Reads a whole file; for small files such as scripts.
Result<std::string> readWholeFile(FileSystem& fs, const std::string& path, uint64_t limit = 64u << 20);
Status writeWholeFile(FileSystem& fs, const std::string& path, const std::string& data);

// DOS date-time <-> FILETIME, taking the DOS value as UTC.
FileTime dosToFileTime(DosDateTime dos);
DosDateTime fileTimeToDos(FileTime time);

}  // namespace platform
