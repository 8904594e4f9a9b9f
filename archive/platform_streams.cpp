#include "archive/platform_streams.h"

namespace archive {

namespace {

std::string describe(const std::string& path, const platform::Status& s) { return path + ": " + s.toString(); }

class PlatformInput final : public rar::InputFile {
 public:
  PlatformInput(std::unique_ptr<platform::File> file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}
  rar::Result<size_t> read(uint8_t* buffer, size_t size) override {
    auto r = file_->read(buffer, size);
    if (!r.ok()) return rar::Status(rar::Error::readFailed, describe(path_, r.status()));
    return r.value();
  }
  rar::Status seek(uint64_t offset) override {
    const platform::Status s = file_->seek(offset);
    if (!s.ok()) return rar::Status(rar::Error::readFailed, describe(path_, s));
    return {};
  }
  rar::Result<uint64_t> size() override {
    auto r = file_->size();
    if (!r.ok()) return rar::Status(rar::Error::readFailed, describe(path_, r.status()));
    return r.value();
  }

 private:
  std::unique_ptr<platform::File> file_;
  std::string path_;
};

class PlatformOutput final : public rar::OutputFile {
 public:
  PlatformOutput(std::unique_ptr<platform::File> file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}
  rar::Status write(const uint8_t* data, size_t size) override {
    const platform::Status s = file_->write(data, size);
    if (!s.ok()) return rar::Status(rar::Error::writeFailed, describe(path_, s));
    return {};
  }
  rar::Status close() override {
    const platform::Status s = file_->close();
    if (!s.ok()) return rar::Status(rar::Error::writeFailed, describe(path_, s));
    return {};
  }

 private:
  std::unique_ptr<platform::File> file_;
  std::string path_;
};

}  // namespace

rar::Result<std::unique_ptr<rar::InputFile>> PlatformArchiveFiles::openRead(const std::string& path) {
  auto f = fs_.open(path, platform::OpenMode::read);
  if (!f.ok()) return rar::Status(rar::Error::cannotOpen, describe(path, f.status()));
  return std::unique_ptr<rar::InputFile>(std::make_unique<PlatformInput>(std::move(f.value()), path));
}

bool PlatformArchiveFiles::exists(const std::string& path) { return fs_.fileExists(path); }

rar::Result<std::unique_ptr<rar::OutputFile>> PlatformArchiveFiles::create(const std::string& path) {
  auto f = fs_.open(path, platform::OpenMode::createAlways);
  if (!f.ok()) return rar::Status(rar::Error::writeFailed, describe(path, f.status()));
  return std::unique_ptr<rar::OutputFile>(std::make_unique<PlatformOutput>(std::move(f.value()), path));
}

rar::Status PlatformArchiveFiles::createDirectories(const std::string& path) {
  // Every level from the first piece on; existing levels are passed over.
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find('\\', pos);
    if (end == std::string::npos) end = path.size();
    const std::string level = path.substr(0, end);
    if (end > pos && !(level.size() == 2 && level[1] == ':') && !fs_.directoryExists(level)) {
      const platform::Status s = fs_.createDirectory(level);
      if (!s.ok() && !fs_.directoryExists(level)) return rar::Status(rar::Error::writeFailed, describe(level, s));
    }
    pos = end + 1;
  }
  return {};
}

void PlatformArchiveFiles::remove(const std::string& path) {
  // Best effort: a partial file that cannot be removed stays.
  const platform::Status s = fs_.removeFile(path);
  static_cast<void>(s);
}

}  // namespace archive
