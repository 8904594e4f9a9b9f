#include "rar/io/memory_fs.h"

#include <algorithm>
#include <cstring>

namespace rar {

Result<size_t> MemoryInput::read(uint8_t* buffer, size_t size) {
  size_t n = std::min(size, size_ - pos_);
  if (n) std::memcpy(buffer, data_ + pos_, n);
  pos_ += n;
  return n;
}

Status MemoryInput::seek(uint64_t offset) {
  if (offset > size_) return Status(Error::readFailed, "seek past the end");
  pos_ = size_t(offset);
  return {};
}

namespace {

// Keeps the file's bytes alive while it is read.
class SharedInput final : public InputFile {
 public:
  explicit SharedInput(std::shared_ptr<MemoryFileSystem::Bytes> bytes) : bytes_(std::move(bytes)), in_(bytes_->data(), bytes_->size()) {}
  Result<size_t> read(uint8_t* buffer, size_t size) override { return in_.read(buffer, size); }
  Status seek(uint64_t offset) override { return in_.seek(offset); }
  Result<uint64_t> size() override { return in_.size(); }

 private:
  std::shared_ptr<MemoryFileSystem::Bytes> bytes_;
  MemoryInput in_;
};

class MemoryOutput final : public OutputFile {
 public:
  explicit MemoryOutput(std::shared_ptr<MemoryFileSystem::Bytes> bytes) : bytes_(std::move(bytes)) {}
  Status write(const uint8_t* data, size_t size) override {
    bytes_->insert(bytes_->end(), data, data + size);
    return {};
  }

 private:
  std::shared_ptr<MemoryFileSystem::Bytes> bytes_;
};

}  // namespace

Result<std::unique_ptr<InputFile>> MemoryFileSystem::openRead(const std::string& path) {
  auto it = files_.find(path);
  if (it == files_.end()) return Status(Error::cannotOpen, "no such file: " + path);
  return std::unique_ptr<InputFile>(std::make_unique<SharedInput>(it->second));
}

Result<std::unique_ptr<OutputFile>> MemoryFileSystem::create(const std::string& path) {
  if (dirs_.count(path)) return Status(Error::writeFailed, "a directory is in the way: " + path);
  auto bytes = std::make_shared<Bytes>();
  files_[path] = bytes;
  return std::unique_ptr<OutputFile>(std::make_unique<MemoryOutput>(bytes));
}

Status MemoryFileSystem::createDirectories(const std::string& path) {
  if (files_.count(path)) return Status(Error::writeFailed, "a file is in the way: " + path);
  dirs_[path] = true;
  return {};
}

Status MemoryFileSystem::replace(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (it == files_.end()) return Status(Error::writeFailed, "cannot rename " + from + ": no such file");
  if (dirs_.count(to)) return Status(Error::writeFailed, "cannot rename " + from + ": a directory is in the way: " + to);
  auto bytes = it->second;
  files_.erase(it);
  files_[to] = std::move(bytes);
  return {};
}

MemoryFileSystem::Bytes MemoryFileSystem::get(const std::string& path) const {
  auto it = files_.find(path);
  return it == files_.end() ? Bytes{} : *it->second;
}

std::vector<std::string> MemoryFileSystem::files() const {
  std::vector<std::string> out;
  for (const auto& [k, v] : files_) out.push_back(k);
  return out;
}

}  // namespace rar
