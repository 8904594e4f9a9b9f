// RAR 1.4 and RAR 1.5-4.x blocks, and finding the signature.

#include <algorithm>
#include <cstring>
#include <vector>

#include "rar/checksum/crc32.h"
#include "rar/crypto/crypto.h"
#include "rar/read/archive_impl.h"
#include "rar/read/byte_reader.h"
#include "rar/read/names.h"

namespace rar {
namespace {

constexpr uint8_t kSig15[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr uint8_t kSig50[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};
constexpr uint8_t kSig14[4] = {0x52, 0x45, 0x7E, 0x5E};

// Block types of RAR 1.5-4.x.
constexpr uint8_t kMain = 0x73, kFile = 0x74, kNewSub = 0x7A, kEnd = 0x7B;

// Main header flags.
constexpr uint16_t kMainVolume = 0x0001, kMainComment = 0x0002, kMainLock = 0x0004, kMainSolid = 0x0008,
                   kMainNewNaming = 0x0010, kMainAuth = 0x0020, kMainRecovery = 0x0040, kMainEncrypted = 0x0080;
// File header flags.
constexpr uint16_t kFileSplitBefore = 0x0001, kFileSplitAfter = 0x0002, kFileEncrypted = 0x0004,
                   kFileComment = 0x0008, kFileSolid = 0x0010, kFileDirMask = 0x00E0, kFileLarge = 0x0100,
                   kFileUnicode = 0x0200, kFileSalt = 0x0400, kFileExtTime = 0x1000;
constexpr uint16_t kLongBlock = 0x8000;
constexpr size_t kFileFixed15 = 32;  // base block + fixed file fields

HostOs hostOs15(uint8_t v) {
  switch (v) {
    case 0: return HostOs::msdos;
    case 1: return HostOs::os2;
    case 2: return HostOs::windows;
    case 3: return HostOs::unix;
    case 4: return HostOs::macos;
    case 5: return HostOs::beos;
    default: return HostOs::unknown;
  }
}

// DOS date/time to seconds since 1970 (taken as UTC: the zone is unknown).
int64_t dosToUnix(uint32_t dos) {
  int year = int((dos >> 25) & 0x7F) + 1980, month = int((dos >> 21) & 0x0F), day = int((dos >> 16) & 0x1F);
  int hour = int((dos >> 11) & 0x1F), minute = int((dos >> 5) & 0x3F), second = int(dos & 0x1F) * 2;
  if (month < 1) month = 1;
  if (day < 1) day = 1;
  // Days from civil (proleptic Gregorian).
  int y = year - (month <= 2);
  int era = y / 400;
  int yoe = y - era * 400;
  int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  int64_t days = int64_t(era) * 146097 + doe - 719468;
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

void setFamily15(FileRecord& r) {
  uint8_t v = r.info.unpackVersion;
  if (r.info.format == Format::rar14 || v == 13 || v == 15) {
    r.family = Family::v15;
  } else if (v == 20 || v == 26) {
    r.family = Family::v20;
  } else if (v == 29 || v == 36) {
    r.family = Family::v29;
  } else if (!r.stored) {
    r.unsupported = "unpack version " + std::to_string(v);
  }
}

Cipher cipher15(const FileRecord& r) {
  if (r.info.format == Format::rar14) return Cipher::rar13;
  uint8_t v = r.info.unpackVersion;
  if (v == 13) return Cipher::rar13;
  if (v == 15) return Cipher::rar15;
  if (v == 20 || v == 26) return Cipher::rar20;
  return Cipher::aes128;
}

// Extended times: a 16-bit flag word, a nibble per time (mtime first). Only
// the modification time is kept.
void readExtTime(ByteReader& r, MemberInfo& info) {
  uint16_t flags = r.u16();
  for (int i = 0; i < 4 && r.ok(); ++i) {
    unsigned nibble = (flags >> ((3 - i) * 4)) & 0xF;
    if (!(nibble & 8)) continue;
    uint32_t dos = i == 0 ? info.dosTime : r.u32();
    unsigned count = nibble & 3;
    uint32_t frac = 0;
    for (unsigned k = 0; k < count; ++k) frac |= uint32_t(r.u8()) << (8 * (3 - count + k));
    if (i == 0) {
      info.mtime = dosToUnix(dos) + ((nibble & 4) ? 1 : 0);
      info.mtimeNanos = frac * 100;
    }
  }
}

bool findSignature(const std::vector<uint8_t>& buf, size_t from, size_t& at, Format& format) {
  for (size_t i = from; i + 7 <= buf.size(); ++i) {
    if (buf[i] != 0x52) continue;
    if (i + 8 <= buf.size() && std::memcmp(&buf[i], kSig50, 8) == 0) {
      at = i;
      format = Format::rar50;
      return true;
    }
    if (std::memcmp(&buf[i], kSig15, 7) == 0) {
      at = i;
      format = Format::rar15;
      return true;
    }
  }
  return false;
}

}  // namespace

int64_t dosTimeToUnix(uint32_t dos) { return dosToUnix(dos); }

Status Archive::Impl::readVolumeStart(bool firstVolume) {
  uint8_t head[8] = {};
  if (Status s = volumes.seek(0); !s) return s;
  auto got = volumes.readSome(head, sizeof(head));
  if (!got) return got.status();
  if (*got >= 4 && std::memcmp(head, kSig14, 4) == 0) {
    if (!firstVolume && info.format != Format::rar14) return Status(Error::corruptHeader, "volume format changed");
    info.format = Format::rar14;
    // RAR 1.4 main header: signature, header size (from the signature on), flags.
    if (*got < 7) return Status(Error::corruptHeader, "archive header cut short");
    uint16_t size = uint16_t(head[4] | head[5] << 8);
    uint8_t flags = head[6];
    if (size < 7) return Status(Error::corruptHeader, "archive header size " + std::to_string(size));
    info.volume = flags & 0x01;
    info.hasComment = flags & 0x02;
    info.locked = flags & 0x04;
    info.solid = flags & 0x08;
    info.newNaming = false;
    nextBlock = size;
    return {};
  }

  // Look for the signature, past an SFX stub. A match must be followed by a
  // valid header; SFX code can contain the signature bytes. Checking a
  // candidate costs the header it claims, so a stub full of crafted
  // signatures could make opening quadratic: candidates may claim at most
  // kMaxSfxCandidateHeader bytes, and all checks together may examine at
  // most a fixed multiple of the bytes searched.
  std::vector<uint8_t> buf;
  uint64_t base = 0;
  uint64_t checked = 0;  // header bytes examined for candidates so far
  const size_t chunk = 64 * 1024;
  while (base < kMaxSfxSearch && base < volumes.size()) {
    if (Status s = volumes.seek(base); !s) return s;
    buf.resize(chunk + 16);
    auto n = volumes.readSome(buf.data(), buf.size());
    if (!n) return n.status();
    buf.resize(*n);
    size_t from = 0, at = 0;
    Format format = Format::rar15;
    while (findSignature(buf, from, at, format)) {
      uint64_t sigPos = base + at;
      size_t sigLen = format == Format::rar50 ? 8 : 7;
      if (!firstVolume && info.format != format) return Status(Error::corruptHeader, "volume format changed");
      info.format = format;
      info.sfxSize = firstVolume ? sigPos : info.sfxSize;
      nextBlock = sigPos + sigLen;
      // Each volume starts plain: RAR 1.5-4.x with its archive header, RAR 5
      // with its encryption header.
      info.headersEncrypted = false;
      rar5HeaderEncryption = false;
      readingStart = true;
      headerLimit = sigPos == 0 ? 0 : kMaxSfxCandidateHeader;
      lastHeaderBytes = 0;
      auto b = readBlock();
      readingStart = false;
      headerLimit = 0;
      Status s = b ? Status() : b.status();
      if (s && b->kind == BlockKind::eof) s = Status(Error::truncated, "the archive ends after its signature");
      if (s) {
        // Whatever the first block is, it is not dropped: anything but the
        // archive header is read again as the first block of the archive.
        if (!b->archiveHeader) nextBlock = sigPos + sigLen;
        return s;
      }
      // A candidate inside an SFX stub: keep looking. At offset 0, or when
      // the error is not about the header itself, report it.
      if (sigPos == 0 || (s.error() != Error::corruptHeader && s.error() != Error::truncated)) return s;
      checked += sigLen + std::min<uint64_t>(lastHeaderBytes, kMaxSfxCandidateHeader);
      if (checked > kSfxCheckBudgetBase + kSfxCheckBudgetPerByte * (sigPos + 1))
        return Status(Error::notRar, "no RAR archive found in " + volumes.path() + " (too many false signatures before it)");
      from = at + 1;
    }
    if (*n < chunk + 16) break;
    base += chunk;
  }
  return Status(Error::notRar, "no RAR signature in " + volumes.path());
}

Status Archive::Impl::openNextVolume(bool quiet) {
  if (Status s = volumes.openNext(naming(), options.onVolume, quiet); !s) return s;
  return readVolumeStart(false);
}

Result<Block> Archive::Impl::readBlock() {
  if (Status s = volumes.seek(nextBlock); !s) return s;
  if (nextBlock == volumes.size()) { Block e; e.kind = BlockKind::eof; return e; }
  if (nextBlock > volumes.size()) return Status(Error::truncated, "archive truncated: " + volumes.path());
  switch (info.format) {
    case Format::rar14: return readBlock14();
    case Format::rar15: return readBlock15();
    case Format::rar50: return readBlock50();
  }
  return Status(Error::unsupported, "format");
}

Result<Block> Archive::Impl::readBlock14() {
  // Fixed part: packed size, unpacked size, checksum, header size, time,
  // attributes, flags, version, name size, method. No header checksum.
  uint8_t fixed[21];
  uint64_t start = nextBlock;
  if (volumes.size() - start < sizeof(fixed)) return Status(Error::truncated, "the archive ends inside a file header");
  if (Status s = volumes.readExact(fixed, sizeof(fixed), "file header"); !s) return s;
  ByteReader r(fixed, sizeof(fixed));
  Block b;
  b.kind = BlockKind::file;
  FileRecord& f = b.file;
  MemberInfo& m = f.info;
  m.format = Format::rar14;
  f.dataSize = r.u32();
  m.unpackedSize = r.u32();
  m.crc = r.u16();
  m.hasCrc = true;
  uint16_t headSize = r.u16();
  m.dosTime = r.u32();
  m.attributes = r.u8();
  uint8_t flags = r.u8();
  uint8_t version = r.u8();
  uint8_t nameSize = r.u8();
  m.method = r.u8();
  if (headSize < sizeof(fixed) + nameSize) return Status(Error::corruptHeader, "file header size " + std::to_string(headSize));
  std::string field(nameSize, '\0');
  if (Status s = volumes.readExact(reinterpret_cast<uint8_t*>(field.data()), nameSize, "file name"); !s) return s;
  m.storedName = field;
  m.name = normalizeSeparators15(decodeName15(field, false, HostOs::msdos, m.storedName));
  m.storedName = field;
  m.hostOs = HostOs::msdos;
  m.unpackVersion = 13;
  (void)version;
  m.splitBefore = flags & 0x01;
  m.splitAfter = flags & 0x02;
  m.encrypted = flags & 0x04;
  m.isDirectory = (m.attributes & 0x10) != 0;
  m.mtime = dosToUnix(m.dosTime);
  m.hasMtime = true;
  m.dictionarySize = 64 * 1024;
  m.solid = info.solid && firstFileSeen;
  m.packedSize = f.dataSize;
  m.cipher = m.encrypted ? Cipher::rar13 : Cipher::none;
  f.stored = m.method == 0;
  f.blockStart = start;
  f.dataStart = start + headSize;
  setFamily15(f);
  nextBlock = f.dataStart + f.dataSize;
  return b;
}

Result<Block> Archive::Impl::readBlock15() {
  const uint64_t start = nextBlock;
  const bool encrypted = info.headersEncrypted;
  std::vector<uint8_t> h;
  uint64_t headerEnd = 0;  // position after the header bytes in the file
  std::unique_ptr<crypto::AesCbc> aes;
  if (encrypted) {
    // Each header: an 8-byte salt, then the header in AES-128-CBC blocks.
    uint8_t salt[8];
    if (Status s = volumes.readExact(salt, 8, "header salt"); !s) return s;
    if (options.password.empty()) return Status(Error::missingPassword, "the archive's headers are encrypted");
    const auto& k = keys.rar3(options.password.utf16(), salt, 8);
    auto a = crypto::AesCbc::create(crypto::AesCbc::Direction::decrypt, k.key.data(), 16, k.iv.data());
    if (!a) return a.status();
    aes = std::move(*a);
    h.resize(16);
    if (Status s = volumes.readExact(h.data(), 16, "encrypted header"); !s) return s;
    if (Status s = aes->process(h.data(), 16); !s) return s;
  } else {
    h.resize(7);
    if (Status s = volumes.readExact(h.data(), 7, "block header"); !s) return s;
  }
  ByteReader base(h.data(), h.size());
  uint16_t crc = base.u16();
  uint8_t type = base.u8();
  uint16_t flags = base.u16();
  uint16_t size = base.u16();
  auto headerFailure = [&](const std::string& what) {
    if (encrypted) return Status(Error::badPassword, "cannot decrypt the archive's headers (" + what + "): wrong password");
    return Status(Error::corruptHeader, what);
  };
  if (size < 7) return headerFailure("block size " + std::to_string(size));
  lastHeaderBytes = size;
  if (headerLimit != 0 && size > headerLimit) return Status(Error::corruptHeader, "block size " + std::to_string(size));
  if (encrypted) {
    size_t padded = (size_t(size) + 15) / 16 * 16;
    if (padded - 16 > volumes.size() - volumes.position()) return headerFailure("header size beyond the end of the volume");
    size_t have = h.size();
    h.resize(padded);
    if (padded > have) {
      if (Status s = volumes.readExact(h.data() + have, padded - have, "encrypted header"); !s) return s;
      if (Status s = aes->process(h.data() + have, padded - have); !s) return s;
    }
    h.resize(size);
    headerEnd = start + 8 + padded;
  } else {
    if (size - 7u > volumes.size() - volumes.position()) return Status(Error::truncated, "the archive ends inside a block header");
    h.resize(size);
    if (Status s = volumes.readExact(h.data() + 7, size - 7u, "block header"); !s) return s;
    headerEnd = start + size;
  }

  // Header checksum: low 16 bits of CRC-32 from the type on. Old archives
  // with embedded comments checksum only the part before the comment.
  uint32_t full = crc32(h.data() + 2, h.size() - 2) & 0xFFFF;
  bool crcOk = full == crc;
  if (!crcOk && type == kMain && (flags & kMainComment) && h.size() >= 13) crcOk = (crc32(h.data() + 2, 11) & 0xFFFF) == crc;
  if (!crcOk && type == kFile && (flags & kFileComment) && h.size() >= kFileFixed15) {
    uint16_t nameSize = uint16_t(h[26] | h[27] << 8);
    size_t end = kFileFixed15 + ((flags & kFileLarge) ? 8 : 0) + nameSize;
    if (end <= h.size()) crcOk = (crc32(h.data() + 2, end - 2) & 0xFFFF) == crc;
  }
  if (!crcOk && (type < 0x73 || type > 0x7B)) return headerFailure("not a RAR block");
  // A file header with a bad checksum is still listed, marked damaged, so
  // the members after it can be read; it is never extracted (any field,
  // even whether it is a directory, may be wrong). Other blocks, and the
  // first block after a signature, must be intact.
  if (!crcOk && (encrypted || type != kFile || readingStart))
    return headerFailure("header checksum mismatch in block type " + std::to_string(type));

  uint64_t addSize = 0;
  ByteReader r(h.data() + 7, h.size() - 7);
  if ((flags & kLongBlock) || type == kFile || type == kNewSub) {
    addSize = r.u32();
    if (!r.ok()) return Status(Error::corruptHeader, "block data size missing");
  }

  Block b;
  switch (type) {
    case kMain: {
      info.volume = flags & kMainVolume;
      info.hasComment = flags & kMainComment;
      info.locked = flags & kMainLock;
      info.solid = flags & kMainSolid;
      info.newNaming = flags & kMainNewNaming;
      info.authenticity = flags & kMainAuth;
      info.hasRecoveryRecord = flags & kMainRecovery;
      info.headersEncrypted = flags & kMainEncrypted;
      b.kind = BlockKind::other;
      b.archiveHeader = true;
      break;
    }
    case kFile: {
      b.kind = BlockKind::file;
      FileRecord& f = b.file;
      MemberInfo& m = f.info;
      m.format = Format::rar15;
      ByteReader fr(h.data() + 7, h.size() - 7);
      uint64_t packLow = fr.u32();
      uint64_t unpLow = fr.u32();
      m.hostOs = hostOs15(fr.u8());
      m.crc = fr.u32();
      m.hasCrc = true;
      m.dosTime = fr.u32();
      m.unpackVersion = fr.u8();
      uint8_t method = fr.u8();
      uint16_t nameSize = fr.u16();
      m.attributes = fr.u32();
      uint64_t packHigh = 0, unpHigh = 0;
      if (flags & kFileLarge) {
        packHigh = fr.u32();
        unpHigh = fr.u32();
      }
      std::string field = fr.string(nameSize);
      if (!fr.ok()) return Status(Error::corruptHeader, "file header cut short");
      if (flags & kFileSalt) {
        fr.bytes(f.salt.data(), 8);
        f.saltSize = 8;
      }
      m.mtime = dosToUnix(m.dosTime);
      m.hasMtime = true;
      if (flags & kFileExtTime) readExtTime(fr, m);
      if (!fr.ok()) return Status(Error::corruptHeader, "file header fields cut short");
      f.dataSize = packHigh << 32 | packLow;
      m.unpackedSize = unpHigh << 32 | unpLow;
      if ((flags & kFileLarge) && unpLow == 0xFFFFFFFFu && unpHigh == 0xFFFFFFFFu) m.sizeKnown = false;
      if (method < 0x30 || method > 0x35) return Status(Error::corruptHeader, "compression method " + std::to_string(method));
      m.method = uint8_t(method - 0x30);
      f.stored = m.method == 0;
      m.splitBefore = flags & kFileSplitBefore;
      m.splitAfter = flags & kFileSplitAfter;
      m.encrypted = flags & kFileEncrypted;
      m.isDirectory = (flags & kFileDirMask) == kFileDirMask;
      m.dictionarySize = m.isDirectory ? 0 : (uint64_t(64) * 1024) << ((flags & kFileDirMask) >> 5);
      m.solid = m.unpackVersion >= 20 ? (flags & kFileSolid) != 0 : (info.solid && firstFileSeen);
      m.storedName = field;
      std::string oem;
      m.name = normalizeSeparators15(decodeName15(field, flags & kFileUnicode, m.hostOs, oem));
      if (flags & kFileUnicode) m.storedName = oem;
      m.cipher = m.encrypted ? cipher15(f) : Cipher::none;
      m.packedSize = f.dataSize;
      m.headerDamaged = !crcOk;
      if (!crcOk && f.dataSize > volumes.size()) return Status(Error::corruptHeader, "damaged file header");
      if (m.hostOs == HostOs::unix && (m.attributes & 0xF000) == 0xA000) m.link = LinkKind::unixSymlink;
      setFamily15(f);
      addSize = f.dataSize;
      break;
    }
    case kEnd:
      b.kind = BlockKind::end;
      b.moreVolumes = flags & 0x0001;
      break;
    default:
      b.kind = BlockKind::other;  // comments, recovery records, service blocks
      break;
  }
  if (addSize > kMaxDataSize) return Status(Error::corruptHeader, "block data size too large");
  b.file.blockStart = start;
  b.file.dataStart = headerEnd;
  b.file.dataSize = addSize;
  nextBlock = headerEnd + addSize;
  return b;
}

}  // namespace rar
