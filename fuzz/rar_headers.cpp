// Fuzz harness for the archive reader's header parsing: the input is one
// archive file; every header is read and every member tested (stored data
// checksummed, compressed data through the decoders).
//
// RAR 5 and RAR 1.4 archives get a password (their key derivation is cheap
// with the round limit below); RAR 1.5-4.x archives do not, since RAR 3 key
// derivation is slow by design and would starve the fuzzer.

#include <cstddef>
#include <cstdint>

#include "rar/io/memory_fs.h"
#include "rar/read/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rar::MemoryFileSystem fs;
  fs.put("a.rar", rar::MemoryFileSystem::Bytes(data, data + size));
  rar::ArchiveOptions options;
  options.limits.maxDictionary = 4u << 20;  // keep memory small per input
  options.maxKdfLog2 = 4;
  auto archive = rar::Archive::open(fs, "a.rar", options);
  if (!archive) return 0;
  if ((*archive)->info().format != rar::Format::rar15) (*archive)->setPassword(rar::Password::fromUtf8("pw"));
  for (int i = 0; i < 64; ++i) {
    auto h = (*archive)->readHeader();
    if (!h || !*h) break;
    rar::NullSink sink;
    rar::Status s = (i & 1) ? (*archive)->skip() : (*archive)->extract(sink);
    // Any result is fine (crashes, hangs and leaks are not); a set that
    // cannot be read further ends the run.
    if (!s && (s.error() == rar::Error::missingVolume || s.error() == rar::Error::readFailed)) break;
  }
  return 0;
}
