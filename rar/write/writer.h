#pragma once
// A store-mode RAR 5 writer: members are stored uncompressed, optionally
// encrypted with AES-256 (data, and headers too), optionally split into
// volumes of a given size. It serves the tool's package builder and the
// tests' fixtures.

#include <cstdint>
#include <memory>
#include <string>

#include "rar/io/streams.h"
#include "rar/io/volume_names.h"
#include "rar/read/password.h"
#include "rar/status.h"

namespace rar {

struct WriterOptions {
  Password password;            // empty: nothing is encrypted
  bool encryptHeaders = false;  // needs a password
  uint64_t volumeSize = 0;      // 0: one volume of any size
  // Volume names after the first: newStyle gives name.part2.rar (the first
  // volume's name is used as given, so call it name.part1.rar); oldStyle
  // gives name.r00, name.r01, ...; a numeric extension (data.000) counts up
  // in either case.
  VolumeNaming naming = VolumeNaming::newStyle;
  unsigned kdfLog2 = 15;        // 2^n PBKDF2 iterations
};

struct MemberMeta {
  int64_t mtime = 0;            // seconds since 1970, UTC
  uint32_t attributes = 0;      // host attributes (Unix mode for the Unix host)
  bool unixHost = true;
};

class Writer {
 public:
  static Result<std::unique_ptr<Writer>> create(FileSystem& fs, const std::string& path, WriterOptions options = {});
  ~Writer();
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // `name` is UTF-8 with '/' separators.
  Status addDirectory(const std::string& name, const MemberMeta& meta = {});
  // Reads `data` twice (checksum first, then the copy); memory use does not
  // depend on its size.
  Status addFile(const std::string& name, InputFile& data, const MemberMeta& meta = {});
  Status addBytes(const std::string& name, const std::string& bytes, const MemberMeta& meta = {});
  // Writes the end of the archive; nothing may be added afterwards.
  Status finish();
  // Number of volumes written so far.
  unsigned volumeCount() const;
  // The first volume's path: `path` as given, or name.part1.rar when volumes
  // in the new naming were asked for and `path` has no number to count up.
  const std::string& firstVolumePath() const;

  struct Impl;

 private:
  explicit Writer(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace rar
