#include "rar/io/native_fs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "text/codepage.h"

namespace rar {
namespace {

namespace fs = std::filesystem;

fs::path toPath(const std::string& utf8) {
#ifdef _WIN32
  std::u16string w = text::utf8ToUtf16(utf8);
  return fs::path(std::wstring(w.begin(), w.end()));
#else
  return fs::path(utf8);
#endif
}

class NativeInput final : public InputFile {
 public:
  NativeInput(std::ifstream stream, std::string path) : in_(std::move(stream)), path_(std::move(path)) {}
  Result<size_t> read(uint8_t* buffer, size_t size) override {
    in_.read(reinterpret_cast<char*>(buffer), std::streamsize(size));
    std::streamsize got = in_.gcount();
    if (in_.bad()) return Status(Error::readFailed, "cannot read " + path_);
    if (in_.eof()) in_.clear();
    return size_t(got);
  }
  Status seek(uint64_t offset) override {
    in_.clear();
    in_.seekg(std::streamoff(offset));
    if (!in_) return Status(Error::readFailed, "cannot seek in " + path_);
    return {};
  }
  Result<uint64_t> size() override {
    std::error_code ec;
    uintmax_t n = fs::file_size(toPath(path_), ec);
    if (ec) return Status(Error::readFailed, "cannot get the size of " + path_);
    return uint64_t(n);
  }

 private:
  std::ifstream in_;
  std::string path_;
};

class NativeOutput final : public OutputFile {
 public:
  NativeOutput(std::ofstream stream, std::string path) : out_(std::move(stream)), path_(std::move(path)) {}
  Status write(const uint8_t* data, size_t size) override {
    out_.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out_) return Status(Error::writeFailed, "cannot write " + path_);
    return {};
  }
  Status close() override {
    out_.close();
    if (!out_) return Status(Error::writeFailed, "cannot finish writing " + path_);
    return {};
  }
  Status setModificationTime(int64_t unixSeconds) override {
    std::error_code ec;
    auto sys = std::chrono::system_clock::from_time_t(time_t(unixSeconds));
    auto ft = std::chrono::file_clock::from_sys(sys);
    fs::last_write_time(toPath(path_), ft, ec);
    if (ec) return Status(Error::writeFailed, "cannot set the time of " + path_);
    return {};
  }

 private:
  std::ofstream out_;
  std::string path_;
};

}  // namespace

Result<std::unique_ptr<InputFile>> NativeFileSystem::openRead(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(toPath(path), ec)) return Status(Error::cannotOpen, "no such file: " + path);
  std::ifstream in(toPath(path), std::ios::binary);
  if (!in) return Status(Error::cannotOpen, "cannot open " + path);
  return std::unique_ptr<InputFile>(std::make_unique<NativeInput>(std::move(in), path));
}

bool NativeFileSystem::exists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(toPath(path), ec);
}

Result<std::unique_ptr<OutputFile>> NativeFileSystem::create(const std::string& path) {
  std::ofstream out(toPath(path), std::ios::binary | std::ios::trunc);
  if (!out) return Status(Error::writeFailed, "cannot create " + path);
  return std::unique_ptr<OutputFile>(std::make_unique<NativeOutput>(std::move(out), path));
}

Status NativeFileSystem::createDirectories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(toPath(path), ec);
  if (ec || !fs::is_directory(toPath(path), ec)) return Status(Error::writeFailed, "cannot create directory " + path);
  return {};
}

void NativeFileSystem::remove(const std::string& path) {
  std::error_code ec;
  fs::remove(toPath(path), ec);  // best effort: the failure was already reported
}

}  // namespace rar
