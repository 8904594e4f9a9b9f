#pragma once
// The archive library's streams on the engine's platform layer, so archives
// are read and written through the real machine or the simulated one. Paths
// are the engine's own code page 1251 text, passed through unchanged.

#include <string>

#include "platform/files.h"
#include "rar/io/streams.h"

namespace archive {

class PlatformArchiveFiles final : public rar::FileSystem {
 public:
  explicit PlatformArchiveFiles(platform::FileSystem& fs) : fs_(fs) {}

  rar::Result<std::unique_ptr<rar::InputFile>> openRead(const std::string& path) override;
  bool exists(const std::string& path) override;
  rar::Result<std::unique_ptr<rar::OutputFile>> create(const std::string& path) override;
  rar::Status createDirectories(const std::string& path) override;
  void remove(const std::string& path) override;

 private:
  platform::FileSystem& fs_;
};

}  // namespace archive
