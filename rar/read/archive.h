#pragma once
// Reading a RAR archive (RAR 1.4, 1.5-4.x and 5.x) member by member:
// open the first volume, read the next header, then skip or extract the
// member. Compressed members go through rar/decoder.h; every extracted
// member's checksum is verified. Memory use does not depend on member size.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "rar/decoder.h"
#include "rar/io/streams.h"
#include "rar/read/member.h"
#include "rar/read/password.h"
#include "rar/status.h"

namespace rar {

enum class VolumeEvent {
  missing,  // `path` holds the full path expected; the callback may change it
  changed,  // the volume at `path` has been opened
};
// Returns false to abort. For `missing`, true means "try `path` (again)".
using VolumeCallback = std::function<bool(VolumeEvent event, std::string& path)>;
// Called with every block of extracted data; false aborts the member.
using DataCallback = std::function<bool(const uint8_t* data, size_t size)>;

struct ArchiveOptions {
  Password password;
  VolumeCallback onVolume;
  DataCallback onData;
  DecoderLimits limits;
  // RAR 5 key derivation: archives asking for more than 2^n rounds are
  // refused as unsupported (the format allows n up to 24).
  unsigned maxKdfLog2 = 24;
  // Bytes that extraction, testing and decoding skipped solid members may
  // produce in all (file copies included); 0 means no limit. Beyond it the
  // member fails with Error::outputLimit and the archive ends there.
  uint64_t maxOutput = 0;
};

class Archive {
 public:
  // Opens the first volume and reads the archive header (for archives with
  // encrypted headers, as far as the password allows).
  static Result<std::unique_ptr<Archive>> open(FileSystem& fs, const std::string& path, ArchiveOptions options = {});
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  void setPassword(const Password& password);
  void setVolumeCallback(VolumeCallback callback);
  void setDataCallback(DataCallback callback);

  const ArchiveInfo& info() const;

  // Moves to the next member: true when there is one, false at the end of
  // the archive. The data of the previous member is passed over if it was
  // neither extracted nor skipped.
  //
  // `false` is returned only for a clean end: the end block (or, for the
  // RAR 1.x-4.x formats that may lack it, the end of the last volume at a
  // block boundary). Everything else is an error, and the same error comes
  // back from every later call:
  //   Error::truncated      the archive ends inside a header or a member's
  //                         data, or a RAR 5 archive ends without its end
  //                         block (cut at a block boundary);
  //   Error::corruptHeader  a header fails its checksum or its structure
  //                         (also a missing archive header, a member that
  //                         continues in another volume of a non-volume);
  //   Error::missingVolume, Error::aborted (volume callback), passwords
  //                         for encrypted headers (these two may be retried
  //                         after setPassword), readFailed (I/O).
  // A RAR 1.5-4.x file header that fails its checksum is the exception: it
  // is returned (true) with MemberInfo::headerDamaged set, so the members
  // after it stay readable, and extract/extractToFile/test refuse it with
  // Error::corruptHeader.
  Result<bool> readHeader();
  const MemberInfo& member() const;

  // Passes over the current member's data. In a solid archive a compressed
  // member is decoded (to nowhere), since the members after it need it.
  Status skip();
  // Extracts the current member into `sink` (not closed). Directories and
  // links write nothing.
  Status extract(OutputSink& sink);
  // Extracts into a file at `path` (through the archive's FileSystem, or
  // `out`). Where the file system can rename, the member is written under a
  // temporary name beside `path` and renamed over it only once its size and
  // checksum are right, so a failing member leaves an existing file as it
  // was; otherwise a partial file is removed on failure.
  Status extractToFile(const std::string& path);
  Status extractToFile(FileSystem& out, const std::string& path);
  // Extracts to nowhere, verifying the checksum.
  Status test();

  struct Impl;

 private:
  explicit Archive(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace rar
