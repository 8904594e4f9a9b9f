#include "rar/io/native_fs.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "text/codepage.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rar {
namespace {

namespace fs = std::filesystem;

// Output goes to the disk in pieces of this size: few system calls, and the
// decoder's blocks are not copied more than once.
constexpr size_t kWriteBuffer = 1024 * 1024;
// Input buffer: headers and small members are read from it; a read at
// least this large goes to the system directly.
constexpr size_t kReadBuffer = 64 * 1024;

fs::path toPath(const std::string& utf8) {
#ifdef _WIN32
  std::u16string w = text::utf8ToUtf16(utf8);
  return fs::path(std::wstring(w.begin(), w.end()));
#else
  return fs::path(utf8);
#endif
}

std::string reason(int err) { return std::strerror(err); }

std::FILE* openForReading(const std::string& path) {
#ifdef _WIN32
  return _wfopen(toPath(path).c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

bool seekTo(std::FILE* f, uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(f, int64_t(offset), SEEK_SET) == 0;
#else
  return fseeko(f, off_t(offset), SEEK_SET) == 0;
#endif
}

// Reads through a buffer large enough for a run of small headers and
// members; a seek to where the stream already is costs no system call
// (the reader seeks to every header it reads).
class NativeInput final : public InputFile {
 public:
  NativeInput(std::FILE* f, std::string path) : f_(f), path_(std::move(path)) {
    std::setvbuf(f_, nullptr, _IOFBF, kReadBuffer);
  }
  ~NativeInput() override { std::fclose(f_); }
  Result<size_t> read(uint8_t* buffer, size_t size) override {
    size_t got = std::fread(buffer, 1, size, f_);
    pos_ += got;
    if (got < size && std::ferror(f_)) {
      int e = errno;
      std::clearerr(f_);
      positionKnown_ = false;
      return Status(Error::readFailed, "cannot read " + path_ + ": " + reason(e));
    }
    return got;
  }
  Status seek(uint64_t offset) override {
    if (positionKnown_ && offset == pos_) return {};
    if (offset > uint64_t(std::numeric_limits<int64_t>::max()) || !seekTo(f_, offset)) {
      positionKnown_ = false;
      return Status(Error::readFailed, "cannot seek in " + path_ + ": " + reason(errno));
    }
    pos_ = offset;
    positionKnown_ = true;
    return {};
  }
  Result<uint64_t> size() override {
    std::error_code ec;
    uintmax_t n = fs::file_size(toPath(path_), ec);
    if (ec) return Status(Error::readFailed, "cannot get the size of " + path_ + ": " + ec.message());
    return uint64_t(n);
  }

 private:
  std::FILE* f_;
  std::string path_;
  uint64_t pos_ = 0;
  bool positionKnown_ = true;  // a new stream is at its start
};

// Writes through its own buffer straight to the file descriptor: one
// system call per kWriteBuffer bytes, and a piece at least that large (the
// stored copy's blocks) goes to the system without being copied first. The
// buffer is only as large as the member needs, so small files cost little.
class NativeOutput final : public OutputFile {
 public:
  NativeOutput(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~NativeOutput() override {
    if (fd_ >= 0) closeFd(fd_);
  }
  void expectSize(uint64_t size) override {
    expected_ = size;
#ifdef _WIN32
    // Reserve the space (the file's size stays as written), so a large
    // member is laid out in one piece and the writes do not extend it.
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
    FILE_ALLOCATION_INFO info;
    info.AllocationSize.QuadPart = int64_t(std::min<uint64_t>(size, uint64_t(std::numeric_limits<int64_t>::max())));
    if (h != INVALID_HANDLE_VALUE) (void)SetFileInformationByHandle(h, FileAllocationInfo, &info, sizeof(info));
#endif
  }
  Status write(const uint8_t* data, size_t size) override {
    if (fd_ < 0) return Status(Error::writeFailed, "cannot write " + path_ + ": already closed");
    if (used_ == 0 && size >= kWriteBuffer) return writeOut(data, size);
    if (!buffer_) {
      // As large as the member when it is small and its size is known;
      // not cleared (nothing is read from it before it is written).
      capacity_ = kWriteBuffer;
      if (expected_ != 0 && expected_ < capacity_) capacity_ = std::max<size_t>(size_t(expected_), size);
      capacity_ = std::max<size_t>(std::min(capacity_, kWriteBuffer), 1);
      buffer_.reset(new uint8_t[capacity_]);
    }
    while (size > 0) {
      size_t n = std::min(size, capacity_ - used_);
      std::memcpy(buffer_.get() + used_, data, n);
      used_ += n;
      data += n;
      size -= n;
      if (used_ == capacity_) {
        if (Status s = flush(); !s) return s;
        if (size >= capacity_) return writeOut(data, size);
      }
    }
    return {};
  }
  Status close() override {
    if (fd_ < 0) return {};
    Status flushed = flush();
    int fd = fd_;
    fd_ = -1;
    bool closed = closeFd(fd) == 0;
    if (!flushed) return flushed;
    if (!closed) return Status(Error::writeFailed, "cannot finish writing " + path_ + ": " + reason(errno));
    return {};
  }
  Status setModificationTime(int64_t unixSeconds) override {
#ifdef _WIN32
    // The runtime's utime cannot set times before 1970; SetFileTime takes the
    // whole FILETIME range (100 ns steps from 1601). 0 means "unchanged" to
    // some file systems, so the earliest time set is one step after it.
    constexpr int64_t k1601To1970 = 11644473600LL;
    constexpr int64_t kMaxSeconds = std::numeric_limits<int64_t>::max() / 10000000 - k1601To1970;
    const int64_t t = std::clamp<int64_t>(unixSeconds, -k1601To1970, kMaxSeconds);
    const int64_t ticks = std::max<int64_t>((t + k1601To1970) * 10000000, 1);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(uint64_t(ticks) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(uint64_t(ticks) >> 32);
    HANDLE h = CreateFileW(toPath(path_).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      return Status(Error::writeFailed, "cannot set the time of " + path_ + ": error " + std::to_string(GetLastError()));
    const bool set = SetFileTime(h, nullptr, nullptr, &ft) != 0;
    const DWORD err = GetLastError();
    CloseHandle(h);
    if (!set) return Status(Error::writeFailed, "cannot set the time of " + path_ + ": error " + std::to_string(err));
    return {};
#else
    std::error_code ec;
    using std::chrono::seconds;
    using FileClock = std::chrono::file_clock;
    // Where 1970 falls on the file clock, then the time within its range.
    const int64_t epoch = std::chrono::duration_cast<seconds>(
                              FileClock::from_sys(std::chrono::sys_seconds{}).time_since_epoch()).count();
    const int64_t t = clampToFileClock(unixSeconds);
    FileClock::time_point ft{std::chrono::duration_cast<FileClock::duration>(seconds(t + epoch))};
    fs::last_write_time(toPath(path_), ft, ec);
    if (ec) return Status(Error::writeFailed, "cannot set the time of " + path_ + ": " + ec.message());
    return {};
#endif
  }

 private:
  Status flush() {
    size_t n = used_;
    used_ = 0;
    return writeOut(buffer_.get(), n);
  }
  Status writeOut(const uint8_t* data, size_t size) {
    while (size > 0) {
      // Pieces the system call's count can hold on every platform.
      const size_t piece = std::min<size_t>(size, size_t(1) << 30);
#ifdef _WIN32
      const int n = ::_write(fd_, data, unsigned(piece));
#else
      const ssize_t n = ::write(fd_, data, piece);
      if (n < 0 && errno == EINTR) continue;
#endif
      if (n <= 0) return Status(Error::writeFailed, "cannot write " + path_ + ": " + reason(n < 0 ? errno : ENOSPC));
      data += n;
      size -= size_t(n);
    }
    return {};
  }
  static int closeFd(int fd) {
#ifdef _WIN32
    return ::_close(fd);
#else
    return ::close(fd);
#endif
  }

  int fd_;
  std::string path_;
  uint64_t expected_ = 0;
  std::unique_ptr<uint8_t[]> buffer_;  // allocated on the first small write
  size_t capacity_ = 0;
  size_t used_ = 0;
};

}  // namespace

int64_t clampToFileClock(int64_t unixSeconds) {
  using std::chrono::seconds;
  using FileClock = std::chrono::file_clock;
  const int64_t epoch =
      std::chrono::duration_cast<seconds>(FileClock::from_sys(std::chrono::sys_seconds{}).time_since_epoch()).count();
  // The file clock's own range in whole seconds, a day inside its ends.
  const int64_t lo = std::chrono::duration_cast<seconds>(FileClock::duration::min()).count() + 86400;
  const int64_t hi = std::chrono::duration_cast<seconds>(FileClock::duration::max()).count() - 86400;
  // t + epoch must stay within [lo, hi]; compute without overflowing.
  const int64_t minT = epoch >= 0 ? lo : lo - epoch;
  const int64_t maxT = epoch >= 0 ? hi - epoch : hi;
  if (unixSeconds < minT) return minT;
  if (unixSeconds > maxT) return maxT;
  return unixSeconds;
}

Result<std::unique_ptr<InputFile>> NativeFileSystem::openRead(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(toPath(path), ec)) return Status(Error::cannotOpen, "no such file: " + path);
  std::FILE* f = openForReading(path);
  if (!f) return Status(Error::cannotOpen, "cannot open " + path + ": " + reason(errno));
  return std::unique_ptr<InputFile>(std::make_unique<NativeInput>(f, path));
}

bool NativeFileSystem::exists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(toPath(path), ec);
}

Result<std::unique_ptr<OutputFile>> NativeFileSystem::create(const std::string& path) {
#ifdef _WIN32
  int fd = ::_wopen(toPath(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
#else
  // Never through a symbolic link at the name itself.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
  if (fd < 0) {
    int e = errno;
#ifndef _WIN32
    if (e == ELOOP) return Status(Error::writeFailed, "cannot create " + path + ": a symbolic link is in the way");
#endif
    return Status(Error::writeFailed, "cannot create " + path + ": " + reason(e));
  }
  return std::unique_ptr<OutputFile>(std::make_unique<NativeOutput>(fd, path));
}

Status NativeFileSystem::createDirectories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(toPath(path), ec);
  if (ec) return Status(Error::writeFailed, "cannot create directory " + path + ": " + ec.message());
  if (!fs::is_directory(toPath(path), ec)) return Status(Error::writeFailed, "cannot create directory " + path + ": a file is in the way");
  return {};
}

void NativeFileSystem::remove(const std::string& path) {
  std::error_code ec;
  fs::remove(toPath(path), ec);  // best effort: the failure was already reported
}

Status NativeFileSystem::replace(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::rename(toPath(from), toPath(to), ec);
  if (ec) return Status(Error::writeFailed, "cannot rename " + from + " to " + to + ": " + ec.message());
  return {};
}

bool NativeFileSystem::isSymlink(const std::string& path) {
  std::error_code ec;
  return fs::is_symlink(fs::symlink_status(toPath(path), ec));
}

}  // namespace rar
