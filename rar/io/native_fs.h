#pragma once
// FileSystem on the real file system. Paths are UTF-8; on Windows they
// become wide paths. Output is written through a large buffer; a file is
// never created through an existing symbolic link, and failures carry the
// system's reason.

#include "rar/io/streams.h"

namespace rar {

class NativeFileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<InputFile>> openRead(const std::string& path) override;
  bool exists(const std::string& path) override;
  Result<std::unique_ptr<OutputFile>> create(const std::string& path) override;
  Status createDirectories(const std::string& path) override;
  void remove(const std::string& path) override;
  bool canReplace() const override { return true; }
  Status replace(const std::string& from, const std::string& to) override;
  bool isSymlink(const std::string& path) override;
};

// Unix seconds clamped to what the file system clock of this platform can
// hold (a FILETIME of 0 or its maximum must not overflow).
int64_t clampToFileClock(int64_t unixSeconds);

}  // namespace rar
