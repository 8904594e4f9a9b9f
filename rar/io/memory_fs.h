#pragma once
// An in-memory FileSystem: fixtures built on the fly, fuzzing, and tests of
// extraction without touching the disk.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "rar/io/streams.h"

namespace rar {

// Reads a byte buffer it does not own.
class MemoryInput final : public InputFile {
 public:
  MemoryInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  Result<size_t> read(uint8_t* buffer, size_t size) override;
  Status seek(uint64_t offset) override;
  Result<uint64_t> size() override { return uint64_t(size_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class MemoryFileSystem final : public FileSystem {
 public:
  using Bytes = std::vector<uint8_t>;

  Result<std::unique_ptr<InputFile>> openRead(const std::string& path) override;
  bool exists(const std::string& path) override { return files_.count(path) != 0; }
  Result<std::unique_ptr<OutputFile>> create(const std::string& path) override;
  Status createDirectories(const std::string& path) override;
  void remove(const std::string& path) override { files_.erase(path); }
  bool canReplace() const override { return true; }
  Status replace(const std::string& from, const std::string& to) override;

  void put(const std::string& path, Bytes bytes) { files_[path] = std::make_shared<Bytes>(std::move(bytes)); }
  // Empty when there is no such file.
  Bytes get(const std::string& path) const;
  bool isDirectory(const std::string& path) const { return dirs_.count(path) != 0; }
  std::vector<std::string> files() const;

 private:
  std::map<std::string, std::shared_ptr<Bytes>> files_;
  std::map<std::string, bool> dirs_;
};

}  // namespace rar
