#include "platform/win32/file_system.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/win32/api.h"

namespace platform::win32 {

namespace {

FileTime toFileTime(const FILETIME& ft) { return static_cast<FileTime>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime; }

FILETIME toFILETIME(FileTime t) {
  return FILETIME{static_cast<DWORD>(t & 0xFFFFFFFF), static_cast<DWORD>(t >> 32)};
}

FileInfo infoOf(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, const FILETIME& writeTime) {
  return FileInfo{attributes, static_cast<uint64_t>(sizeHigh) << 32 | sizeLow, toFileTime(writeTime)};
}

class WindowsFile : public File {
 public:
  explicit WindowsFile(UniqueFile handle, std::string path) : handle_(std::move(handle)), path_(std::move(path)) {}

  Result<size_t> read(void* buffer, size_t size) override {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(handle_.get(), buffer, chunk, &got, nullptr)) return lastError("read " + path_);
    return static_cast<size_t>(got);
  }

  Status write(const void* data, size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD done = 0;
      if (!::WriteFile(handle_.get(), bytes, chunk, &done, nullptr)) return lastError("write " + path_);
      if (done == 0) return Status(Code::diskFull, ERROR_DISK_FULL, "write " + path_);
      bytes += done;
      size -= done;
    }
    return {};
  }

  Status seek(uint64_t offset) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(handle_.get(), to, nullptr, FILE_BEGIN)) return lastError("seek " + path_);
    return {};
  }

  Result<uint64_t> size() override {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(handle_.get(), &size)) return lastError("size of " + path_);
    return static_cast<uint64_t>(size.QuadPart);
  }

  Status close() override {
    if (!handle_) return {};
    if (!handle_.reset()) return lastError("close " + path_);
    return {};
  }

 private:
  UniqueFile handle_;
  std::string path_;
};

// Windows refuses to write a read-only file; checking first gives the same
// answer where the check is not enforced (Wine running as root).
Status refuseReadOnly(const std::wstring& path, const std::string& what) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Status(Code::accessDenied, ERROR_ACCESS_DENIED, "read-only: " + what);
  return {};
}

std::string withBackslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  return dir;
}

}  // namespace

Result<FileInfo> WindowsFileSystem::stat(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return lastError(path);
  return infoOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
}

Result<std::unique_ptr<File>> WindowsFileSystem::open(const std::string& path, OpenMode mode) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::read: break;
    case OpenMode::createAlways:
      access = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
    case OpenMode::readWrite: access = GENERIC_READ | GENERIC_WRITE; break;
  }
  const std::wstring file = wide(path);
  if (mode != OpenMode::read) {
    if (Status refused = refuseReadOnly(file, path); !refused) return refused;
  }
  UniqueFile handle(::CreateFileW(file.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
  if (!handle) return lastError(path);
  return std::unique_ptr<File>(new WindowsFile(std::move(handle), path));
}

Status WindowsFileSystem::removeFile(const std::string& path) {
  if (!::DeleteFileW(wide(path).c_str())) return lastError("delete " + path);
  return {};
}

Status WindowsFileSystem::createDirectory(const std::string& path) {
  if (!::CreateDirectoryW(wide(path).c_str(), nullptr)) return lastError("create directory " + path);
  return {};
}

Status WindowsFileSystem::removeDirectory(const std::string& path) {
  if (!::RemoveDirectoryW(wide(path).c_str())) return lastError("remove directory " + path);
  return {};
}

Status WindowsFileSystem::rename(const std::string& from, const std::string& to) {
  if (!::MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_COPY_ALLOWED)) return lastError("rename " + from);
  return {};
}

Status WindowsFileSystem::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
  const std::wstring target = wide(to);
  if (!failIfExists) {
    if (Status refused = refuseReadOnly(target, to); !refused) return refused;
  }
  if (!::CopyFileW(wide(from).c_str(), target.c_str(), failIfExists ? TRUE : FALSE))
    return lastError("copy " + from + " to " + to);
  return {};
}

Status WindowsFileSystem::setAttributes(const std::string& path, uint32_t attributes) {
  if (!::SetFileAttributesW(wide(path).c_str(), attributes)) return lastError("set attributes of " + path);
  return {};
}

Status WindowsFileSystem::setWriteTime(const std::string& path, FileTime time) {
  // FILE_WRITE_ATTRIBUTES is enough, so read-only files keep working.
  UniqueFile handle(::CreateFileW(wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return lastError(path);
  const FILETIME ft = toFILETIME(time);
  if (!::SetFileTime(handle.get(), nullptr, nullptr, &ft)) return lastError("set time of " + path);
  if (!handle.reset()) return lastError("close " + path);
  return {};
}

Result<DosDateTime> WindowsFileSystem::fileAge(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return lastError(path);
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Status(Code::notFound, ERROR_FILE_NOT_FOUND, "a directory has no age: " + path);
  FILETIME local;
  WORD date = 0, time = 0;
  if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
    return lastError("age of " + path);
  return static_cast<DosDateTime>(date) << 16 | time;
}

Status WindowsFileSystem::setFileAge(const std::string& path, DosDateTime age) {
  FILETIME local, utc;
  if (!::DosDateTimeToFileTime(static_cast<WORD>(age >> 16), static_cast<WORD>(age & 0xFFFF), &local) ||
      !::LocalFileTimeToFileTime(&local, &utc))
    return Status(Code::invalidArgument, ERROR_INVALID_PARAMETER, "bad DOS date-time for " + path);
  return setWriteTime(path, toFileTime(utc));
}

Result<std::vector<DirEntry>> WindowsFileSystem::list(const std::string& directory, const std::string& pattern) {
  WIN32_FIND_DATAW data;
  UniqueFind find(::FindFirstFileW(wide(withBackslash(directory) + pattern).c_str(), &data));
  std::vector<DirEntry> entries;
  if (!find) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return entries;
    // Windows versions differ in what they answer for a file; "no such
    // directory" is what it means.
    const DWORD attributes = ::GetFileAttributesW(wide(directory).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return Status(Code::pathNotFound, error, "not a directory: " + directory);
    return fromWin32(error, "list " + directory);
  }
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back(DirEntry{narrow(name), infoOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime)});
  } while (::FindNextFileW(find.get(), &data));
  if (::GetLastError() != ERROR_NO_MORE_FILES) return lastError("list " + directory);
  return entries;
}

Result<std::string> WindowsFileSystem::tempPath() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH + 1) return lastError("temporary path");
  return narrowPath(std::wstring(buffer, n));
}

Result<std::string> WindowsFileSystem::tempFileName(const std::string& directory, const std::string& prefix,
                                                    uint32_t unique) {
  wchar_t buffer[MAX_PATH];
  if (::GetTempFileNameW(wide(directory).c_str(), wide(prefix).c_str(), unique, buffer) == 0) {
    const DWORD error = ::GetLastError();
    // ERROR_DIRECTORY: the directory does not exist.
    if (error == ERROR_DIRECTORY) return Status(Code::pathNotFound, error, "temporary name in " + directory);
    return fromWin32(error, "temporary name in " + directory);
  }
  return narrow(buffer, wcslen(buffer));
}

Result<std::string> WindowsFileSystem::shortPath(const std::string& path) {
  const std::wstring longPath = wide(path);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetShortPathNameW(longPath.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return lastError("short name of " + path);
    if (n < buffer.size()) return narrow(buffer.data(), n);
    buffer.resize(n);
  }
}

uint32_t WindowsFileSystem::logicalDrives() { return ::GetLogicalDrives(); }

DriveType WindowsFileSystem::driveType(const std::string& root) {
  // A directory below a drive's root is no root, as Windows answers; Wine
  // would answer with the drive's type.
  const bool letter = root.size() >= 2 && root[1] == ':';
  if (letter && (root.size() > 3 || (root.size() == 3 && root[2] != '\\' && root[2] != '/'))) return DriveType::noRootDir;
  return static_cast<DriveType>(::GetDriveTypeW(wide(root).c_str()));
}

Result<DiskFreeSpace> WindowsFileSystem::diskFreeSpace(const std::string& root) {
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!::GetDiskFreeSpaceW(wide(root).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
    return lastError("free space of " + root);
  return DiskFreeSpace{sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
}

Result<VersionInfo> WindowsFileSystem::versionInfo(const std::string& path) {
  const std::wstring file = wide(path);
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &attributes)) return lastError(path);
  VersionInfo info;
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return info;  // no version resource (or not an executable)
  std::vector<char> block(size);
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return lastError("version of " + path);
  info.present = true;
  void* value = nullptr;
  UINT length = 0;
  if (::VerQueryValueW(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    info.fixedMs = fixed->dwFileVersionMS;
    info.fixedLs = fixed->dwFileVersionLS;
  }
  if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
    const auto* pair = static_cast<const WORD*>(value);
    wchar_t query[64];
    std::swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", pair[0], pair[1]);
    if (::VerQueryValueW(block.data(), query, &value, &length) && length > 0) {
      const auto* text = static_cast<const wchar_t*>(value);
      info.fileVersion = narrow(text, wcsnlen(text, length));
    }
  }
  return info;
}

}  // namespace platform::win32
