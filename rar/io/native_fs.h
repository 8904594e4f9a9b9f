#pragma once
// FileSystem on the real file system through std::filesystem. Paths are
// UTF-8; on Windows they become wide paths.

#include "rar/io/streams.h"

namespace rar {

class NativeFileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<InputFile>> openRead(const std::string& path) override;
  bool exists(const std::string& path) override;
  Result<std::unique_ptr<OutputFile>> create(const std::string& path) override;
  Status createDirectories(const std::string& path) override;
  void remove(const std::string& path) override;
};

}  // namespace rar
