#pragma once
// The volumes of an archive, one open at a time: sequential reading with a
// position, and moving on to the next volume by name, with the volume
// callback asked when it is missing.

#include <cstdint>
#include <memory>
#include <string>

#include "rar/io/streams.h"
#include "rar/io/volume_names.h"
#include "rar/read/archive.h"

namespace rar {

class VolumeSet {
 public:
  explicit VolumeSet(FileSystem& fs) : fs_(fs) {}

  Status open(const std::string& path);
  // Opens the volume after the current one. With the new naming a missing
  // name is retried in the old scheme (renamed sets) before the callback is
  // asked; `quiet` gives up without asking (used to probe for a volume
  // that may not exist).
  Status openNext(VolumeNaming naming, const VolumeCallback& callback, bool quiet = false);

  Status seek(uint64_t position);
  Result<size_t> readSome(uint8_t* buffer, size_t size);
  // Exactly `size` bytes, or `truncated` naming `what`.
  Status readExact(uint8_t* buffer, size_t size, const char* what);

  uint64_t position() const { return position_; }
  uint64_t size() const { return size_; }
  const std::string& path() const { return path_; }
  unsigned index() const { return index_; }
  void setIndex(unsigned index) { index_ = index; }

 private:
  Status openAt(const std::string& path);
  FileSystem& fs_;
  std::unique_ptr<InputFile> file_;
  std::string path_;
  uint64_t position_ = 0;
  uint64_t size_ = 0;
  unsigned index_ = 0;
};

}  // namespace rar
