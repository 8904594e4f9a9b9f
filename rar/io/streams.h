#pragma once
// The byte streams the archive library reads and writes through. The tool
// uses the native file system (native_fs.h); the engine plugs in its own
// platform layer. Paths are UTF-8 text here; an implementation may treat
// them as it likes (the engine passes its own 8-bit paths through).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "rar/status.h"

namespace rar {

class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to `size` bytes; 0 at the end of the file.
  virtual Result<size_t> read(uint8_t* buffer, size_t size) = 0;
  virtual Status seek(uint64_t offset) = 0;
  virtual Result<uint64_t> size() = 0;
};

// Where extracted bytes go. close() is called once after the last write of
// a complete member; a sink destroyed without close() holds a partial file.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual Status write(const uint8_t* data, size_t size) = 0;
  virtual Status close() { return {}; }
};

class OutputFile : public OutputSink {
 public:
  // The member's size when known, before the first write: a file system
  // may reserve the space at once. Optional.
  virtual void expectSize(uint64_t size) { (void)size; }
  // Applies a modification time (Unix seconds) after close; optional.
  virtual Status setModificationTime(int64_t unixSeconds) {
    (void)unixSeconds;
    return {};
  }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual Result<std::unique_ptr<InputFile>> openRead(const std::string& path) = 0;
  virtual bool exists(const std::string& path) = 0;
  // Creates or truncates a regular file.
  virtual Result<std::unique_ptr<OutputFile>> create(const std::string& path) = 0;
  virtual Status createDirectories(const std::string& path) = 0;
  // Removes a file left behind by a failed extraction; best effort.
  virtual void remove(const std::string& path) = 0;
  // Replaces `to` (a file or a symbolic link, which is replaced, not
  // followed) with the file `from`. Extraction writes each member under a
  // temporary name and renames it over its target once it has checked out,
  // so a member that fails never destroys a file already there. A file
  // system that cannot rename keeps the default and is written directly.
  virtual bool canReplace() const { return false; }
  virtual Status replace(const std::string& from, const std::string& to) {
    (void)from;
    (void)to;
    return Status(Error::unsupported, "renaming files");
  }
  // True when `path` itself is a symbolic link (not followed). Extraction
  // does not write through links that already exist under its destination.
  virtual bool isSymlink(const std::string& path) {
    (void)path;
    return false;
  }
};

// Discards everything: testing and skipping.
class NullSink final : public OutputSink {
 public:
  Status write(const uint8_t*, size_t) override { return {}; }
};

}  // namespace rar
