#pragma once
// Internal state of Archive, shared by the files of the reader:
//   container15.cpp  RAR 1.4 and RAR 1.5-4.x blocks
//   container50.cpp  RAR 5 blocks
//   member_data.cpp  packed data across volumes, decryption, extraction
//   archive.cpp      the public interface

#include <array>
#include <map>
#include <memory>
#include <string>

#include "rar/crypto/keys.h"
#include "rar/decoder.h"
#include "rar/read/archive.h"
#include "rar/read/volume_set.h"

namespace rar {

class CheckedOutput;

// Named upper bounds for sizes read from the archive.
constexpr uint64_t kMaxHeaderSize50 = 2 * 1024 * 1024;  // RAR 5 header
constexpr uint64_t kMaxSfxSearch = 16 * 1024 * 1024;    // bytes before the signature
constexpr size_t kMaxNameBytes = 64 * 1024;
constexpr uint64_t kMaxDataSize = uint64_t(1) << 62;    // keeps position arithmetic far from overflow
// Finding the signature after an SFX stub: a candidate's first header may
// claim at most this much, and all candidates together may cost at most
// base + perByte * (bytes searched), so opening is linear in the file size.
constexpr uint64_t kMaxSfxCandidateHeader = 64 * 1024;
constexpr uint64_t kSfxCheckBudgetBase = 1024 * 1024;
constexpr uint64_t kSfxCheckBudgetPerByte = 4;

// A file header as the container reads it: what is reported plus what the
// reader needs to get at the data.
struct FileRecord {
  MemberInfo info;
  uint64_t blockStart = 0;  // position of the header in its volume
  uint64_t dataStart = 0;
  uint64_t dataSize = 0;    // packed bytes of this part
  bool stored = true;
  Family family = Family::v29;
  uint8_t algorithmVersion = 0;
  std::string unsupported;  // why the data cannot be unpacked (empty: it can)
  // Encryption parameters (RAR 3: salt of 8 bytes; RAR 5: record fields).
  std::array<uint8_t, 16> salt{};
  size_t saltSize = 0;
  std::array<uint8_t, 16> iv{};
  unsigned kdfLog2 = 0;
  bool hasCheck = false;
  std::array<uint8_t, 12> check{};
  bool useMac = false;
};

enum class BlockKind { file, end, other, eof };

struct Block {
  BlockKind kind = BlockKind::other;
  bool archiveHeader = false;  // the archive header (RAR 5: or the encryption header)
  bool moreVolumes = false;  // end block: the archive continues in the next volume
  FileRecord file;
};

struct Archive::Impl {
  Impl(FileSystem& fs, ArchiveOptions options) : fs(fs), options(std::move(options)), volumes(fs) {}

  FileSystem& fs;
  ArchiveOptions options;
  VolumeSet volumes;
  ArchiveInfo info;
  crypto::KeyCache keys;

  // Position of the next block in the current volume.
  uint64_t nextBlock = 0;
  bool ended = false;
  Status failure;  // a header error that stops reading

  // Checking the first block after a signature: it must pass its checksum,
  // and (inside an SFX stub) claim at most headerLimit bytes (0: no limit).
  bool readingStart = false;
  uint64_t headerLimit = 0;
  uint64_t lastHeaderBytes = 0;  // header bytes the last block claimed

  // Bytes produced by extraction and testing so far (copies included),
  // against options.maxOutput.
  uint64_t produced = 0;

  // RAR 1.4 main header flags, for the member flags that depend on them.
  bool firstFileSeen = false;

  // RAR 5 header encryption: parameters of the encryption header.
  bool rar5HeaderEncryption = false;
  std::array<uint8_t, 16> headerSalt{};
  unsigned headerKdfLog2 = 0;
  bool headerHasCheck = false;
  std::array<uint8_t, 12> headerCheck{};

  // The current member.
  bool haveMember = false;
  bool dataDone = true;  // its data has been passed over
  FileRecord current;
  uint64_t partRemaining = 0;
  bool partSplitAfter = false;

  // Solid state.
  std::unique_ptr<Decoder> decoder;
  Family decoderFamily = Family::v29;
  bool solidBroken = false;  // a compressed member was passed over undecoded
  Status solidBreak;         // why

  // Members that a later file copy may refer to: volume path and header.
  struct Location {
    std::string volumePath;
    unsigned volumeIndex = 0;
    uint64_t blockStart = 0;
  };
  std::map<std::string, Location> locations;

  VolumeNaming naming() const { return info.newNaming ? VolumeNaming::newStyle : VolumeNaming::oldStyle; }

  // Signature (after any SFX stub) and the archive header of the volume that
  // was just opened; sets nextBlock.
  Status readVolumeStart(bool firstVolume);
  Result<Block> readBlock();
  Result<Block> readBlock14();
  Result<Block> readBlock15();
  Result<Block> readBlock50();
  Status openNextVolume(bool quiet);

  // Member data.
  Status passOverData();
  // Passes over the data after a failure and returns that failure.
  Status failMember(Status s);
  Status continueInNextVolume();
  Result<size_t> readPackedRaw(uint8_t* buffer, size_t size);
  Status extractCurrent(OutputSink& sink);
  Status extractCopy(OutputSink& sink);
  // Declared size and checksums of the current member against what `out` saw.
  Status verifyMember(CheckedOutput& out);
  Status checkPassword();
};

}  // namespace rar
