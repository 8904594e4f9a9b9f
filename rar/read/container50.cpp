// RAR 5 blocks.

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

constexpr uint64_t kTypeMain = 1, kTypeFile = 2, kTypeService = 3, kTypeEncryption = 4, kTypeEnd = 5;
constexpr uint64_t kHasExtra = 0x01, kHasData = 0x02, kSplitBefore = 0x08, kSplitAfter = 0x10;
constexpr uint64_t kFileDir = 0x01, kFileTime = 0x02, kFileCrc = 0x04, kFileSizeUnknown = 0x08;
constexpr uint64_t kExtraEncryption = 1, kExtraHash = 2, kExtraTime = 3, kExtraVersion = 4, kExtraRedirect = 5;

// Seconds since 1970 (UTC) to a DOS date/time.
uint32_t unixToDos(int64_t t) {
  if (t < 315532800) return (0u << 25) | (1u << 21) | (1u << 16);  // before 1980
  int64_t days = t / 86400, secs = t % 86400;
  // Civil from days.
  days += 719468;
  int64_t era = days / 146097;
  int64_t doe = days - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  if (y > 2107) y = 2107;
  return uint32_t((y - 1980) << 25 | m << 21 | d << 16 | (secs / 3600) << 11 | ((secs / 60) % 60) << 5 | (secs % 60) / 2);
}

int64_t fileTimeToUnix(uint64_t ft) { return int64_t(ft / 10000000) - 11644473600LL; }

Status parseEncryptionRecord(ByteReader& r, FileRecord& f, unsigned maxKdfLog2) {
  uint64_t version = r.vint();
  uint64_t flags = r.vint();
  f.kdfLog2 = r.u8();
  r.bytes(f.salt.data(), 16);
  f.saltSize = 16;
  r.bytes(f.iv.data(), 16);
  f.hasCheck = flags & 0x01;
  f.useMac = flags & 0x02;
  if (f.hasCheck) r.bytes(f.check.data(), 12);
  if (!r.ok()) return Status(Error::corruptHeader, "encryption record cut short");
  if (version != 0) return Status(Error::unsupported, "encryption version " + std::to_string(version));
  if (f.kdfLog2 > std::min(maxKdfLog2, crypto::kMaxRar5KdfLog2))
    return Status(Error::unsupported, "key derivation count 2^" + std::to_string(f.kdfLog2) + " is beyond the limit");
  return {};
}

Status parseFileExtra(ByteReader& area, FileRecord& f, unsigned maxKdfLog2) {
  MemberInfo& m = f.info;
  while (area.remaining() > 0) {
    uint64_t size = area.vint();
    if (!area.ok() || size == 0 || size > area.remaining()) return Status(Error::corruptHeader, "extra record size");
    ByteReader r(area.current(), size_t(size));
    area.skip(size);
    uint64_t type = r.vint();
    switch (type) {
      case kExtraEncryption: {
        if (Status s = parseEncryptionRecord(r, f, maxKdfLog2); !s) return s;
        m.encrypted = true;
        m.cipher = Cipher::aes256;
        break;
      }
      case kExtraHash: {
        uint64_t kind = r.vint();
        if (kind == 0 && r.bytes(m.blake2.data(), 32)) m.hasBlake2 = true;
        break;
      }
      case kExtraTime: {
        uint64_t flags = r.vint();
        bool unixFormat = flags & 0x01;
        int64_t times[3] = {};
        bool present[3] = {(flags & 0x02) != 0, (flags & 0x04) != 0, (flags & 0x08) != 0};
        for (int i = 0; i < 3; ++i)
          if (present[i]) times[i] = unixFormat ? int64_t(r.u32()) : fileTimeToUnix(r.u64());
        uint32_t nanos = 0;
        if (unixFormat && (flags & 0x10) && present[0]) nanos = r.u32();
        if (r.ok() && present[0]) {
          m.mtime = times[0];
          m.mtimeNanos = nanos;
          m.hasMtime = true;
          m.dosTime = unixToDos(m.mtime);
        }
        break;
      }
      case kExtraVersion: {
        r.vint();
        uint64_t v = r.vint();
        if (r.ok()) m.fileVersion = v;
        break;
      }
      case kExtraRedirect: {
        uint64_t kind = r.vint();
        r.vint();  // flags: target is a directory
        uint64_t len = r.vint();
        if (len > kMaxNameBytes) return Status(Error::corruptHeader, "link target too long");
        std::string target = r.string(size_t(len));
        if (!r.ok()) return Status(Error::corruptHeader, "redirection record cut short");
        m.linkTarget = target;
        switch (kind) {
          case 1: m.link = LinkKind::unixSymlink; break;
          case 2: m.link = LinkKind::windowsSymlink; break;
          case 3: m.link = LinkKind::junction; break;
          case 4: m.link = LinkKind::hardLink; break;
          case 5: m.link = LinkKind::fileCopy; break;
          default: m.link = LinkKind::unixSymlink; break;  // unknown kinds are never followed either
        }
        break;
      }
      default:
        break;  // owner, service data, unknown: not needed
    }
  }
  return {};
}

}  // namespace

Result<Block> Archive::Impl::readBlock50() {
  const uint64_t start = nextBlock;
  std::vector<uint8_t> h;
  uint64_t headerEnd = 0;
  const bool encrypted = rar5HeaderEncryption;
  if (encrypted) {
    if (options.password.empty()) return Status(Error::missingPassword, "the archive's headers are encrypted");
    const auto& k = keys.rar5(options.password.utf8(), headerSalt.data(), headerKdfLog2);
    if (headerHasCheck && crypto::rar5CheckRecordIntact(headerCheck.data()) &&
        std::memcmp(k.check.data(), headerCheck.data(), 8) != 0)
      return Status(Error::badPassword, "wrong password for the archive's headers");
    uint8_t iv[16];
    if (Status s = volumes.readExact(iv, 16, "header IV"); !s) return s;
    auto a = crypto::AesCbc::create(crypto::AesCbc::Direction::decrypt, k.key.data(), 32, iv);
    if (!a) return a.status();
    h.resize(16);
    if (Status s = volumes.readExact(h.data(), 16, "encrypted header"); !s) return s;
    if (Status s = (*a)->process(h.data(), 16); !s) return s;
    ByteReader r(h.data(), h.size());
    r.u32();
    uint64_t size = r.vint();
    if (!r.ok() || r.position() > 7 || size == 0 || size > kMaxHeaderSize50)
      return Status(Error::badPassword, "cannot decrypt the archive's headers: wrong password or damaged archive");
    size_t total = r.position() + size_t(size);
    size_t padded = (total + 15) / 16 * 16;
    if (padded - 16 > volumes.size() - volumes.position()) return Status(Error::truncated, "the archive ends inside a block header");
    h.resize(padded);
    if (Status s = volumes.readExact(h.data() + 16, padded - 16, "encrypted header"); !s) return s;
    if (Status s = (*a)->process(h.data() + 16, padded - 16); !s) return s;
    h.resize(total);
    headerEnd = start + 16 + padded;
  } else {
    // CRC (4 bytes) and a size of at most 3 bytes come first.
    uint8_t head[7] = {};
    size_t first = size_t(std::min<uint64_t>(sizeof(head), volumes.size() - start));
    if (Status s = volumes.readExact(head, first, "block header"); !s) return s;
    ByteReader r(head, first);
    r.u32();
    uint64_t size = r.vint();
    if (!r.ok() && first < sizeof(head)) return Status(Error::truncated, "the archive ends inside a block header");
    if (!r.ok() || r.position() > 7) return Status(Error::corruptHeader, "block header size field");
    if (size == 0 || size > kMaxHeaderSize50 || (headerLimit != 0 && size > headerLimit))
      return Status(Error::corruptHeader, "block header size " + std::to_string(size));
    lastHeaderBytes = size;
    size_t total = r.position() + size_t(size);
    if (total > volumes.size() - start) return Status(Error::truncated, "the archive ends inside a block header");
    h.assign(total, 0);
    size_t have = std::min(first, total);
    std::copy(head, head + have, h.begin());
    if (total > have) {
      if (Status s = volumes.readExact(h.data() + have, total - have, "block header"); !s) return s;
    }
    headerEnd = start + total;
  }

  ByteReader r(h.data(), h.size());
  uint32_t crc = r.u32();
  r.vint();
  if (crc32(h.data() + 4, h.size() - 4) != crc) {
    if (encrypted) return Status(Error::badPassword, "header checksum mismatch after decryption: wrong password or damaged archive");
    return Status(Error::corruptHeader, "header checksum mismatch");
  }
  const size_t bodyStart = r.position();
  uint64_t type = r.vint();
  uint64_t flags = r.vint();
  uint64_t extraSize = (flags & kHasExtra) ? r.vint() : 0;
  uint64_t dataSize = (flags & kHasData) ? r.vint() : 0;
  if (!r.ok()) return Status(Error::corruptHeader, "block header fields");
  if (extraSize > h.size() - r.position()) return Status(Error::corruptHeader, "extra area larger than the header");
  if (dataSize > kMaxDataSize) return Status(Error::corruptHeader, "data size too large");
  (void)bodyStart;
  const size_t extraStart = h.size() - size_t(extraSize);
  ByteReader fields(h.data() + r.position(), extraStart - r.position());
  ByteReader extra(h.data() + extraStart, size_t(extraSize));

  Block b;
  b.file.blockStart = start;
  b.file.dataStart = headerEnd;
  b.file.dataSize = dataSize;
  nextBlock = headerEnd + dataSize;
  switch (type) {
    case kTypeMain: {
      uint64_t af = fields.vint();
      if (!fields.ok()) return Status(Error::corruptHeader, "archive header fields");
      info.volume = af & 0x01;
      info.solid = af & 0x04;
      info.hasRecoveryRecord = af & 0x08;
      info.locked = af & 0x10;
      info.newNaming = true;
      b.kind = BlockKind::other;
      b.archiveHeader = true;
      break;
    }
    case kTypeEncryption: {
      uint64_t version = fields.vint();
      uint64_t ef = fields.vint();
      headerKdfLog2 = fields.u8();
      fields.bytes(headerSalt.data(), 16);
      headerHasCheck = ef & 0x01;
      if (headerHasCheck) fields.bytes(headerCheck.data(), 12);
      if (!fields.ok()) return Status(Error::corruptHeader, "encryption header cut short");
      if (version != 0) return Status(Error::unsupported, "header encryption version " + std::to_string(version));
      if (headerKdfLog2 > std::min(options.maxKdfLog2, crypto::kMaxRar5KdfLog2)) return Status(Error::unsupported, "key derivation count beyond the limit");
      rar5HeaderEncryption = true;
      info.headersEncrypted = true;
      b.kind = BlockKind::other;
      b.archiveHeader = true;
      break;
    }
    case kTypeEnd: {
      uint64_t ef = fields.vint();
      b.kind = BlockKind::end;
      b.moreVolumes = ef & 0x01;
      break;
    }
    case kTypeFile: {
      b.kind = BlockKind::file;
      FileRecord& f = b.file;
      MemberInfo& m = f.info;
      m.format = Format::rar50;
      uint64_t ff = fields.vint();
      m.unpackedSize = fields.vint();
      m.attributes = uint32_t(fields.vint());
      if (ff & kFileTime) {
        m.mtime = fields.u32();
        m.hasMtime = true;
        m.dosTime = unixToDos(m.mtime);
      }
      if (ff & kFileCrc) {
        m.crc = fields.u32();
        m.hasCrc = true;
      }
      uint64_t ci = fields.vint();
      uint64_t host = fields.vint();
      uint64_t nameLen = fields.vint();
      if (!fields.ok() || nameLen > kMaxNameBytes) return Status(Error::corruptHeader, "file header fields");
      std::string name = fields.string(size_t(nameLen));
      if (!fields.ok()) return Status(Error::corruptHeader, "file name cut short");
      m.isDirectory = ff & kFileDir;
      m.sizeKnown = !(ff & kFileSizeUnknown);
      m.hostOs = host == 0 ? HostOs::windows : host == 1 ? HostOs::unix : HostOs::unknown;
      unsigned algo = unsigned(ci & 0x3F);
      m.solid = ci & 0x40;
      m.method = uint8_t((ci >> 7) & 7);
      f.stored = m.method == 0;
      f.algorithmVersion = uint8_t(algo);
      f.family = Family::v50;
      if (algo == 0) {
        m.dictionarySize = (uint64_t(128) * 1024) << ((ci >> 10) & 0x0F);
        m.unpackVersion = 50;
      } else if (algo == 1) {
        uint64_t base = (uint64_t(128) * 1024) << ((ci >> 10) & 0x1F);
        m.dictionarySize = base + base / 32 * ((ci >> 15) & 0x1F);
        m.unpackVersion = 70;
      } else {
        m.unpackVersion = uint8_t(50 + algo);
        if (!f.stored) f.unsupported = "compression algorithm version " + std::to_string(algo);
      }
      m.splitBefore = flags & kSplitBefore;
      m.splitAfter = flags & kSplitAfter;
      m.storedName = name;
      m.name = normalizeSeparators50(isValidUtf8(name) ? name : std::string(name));
      if (Status s = parseFileExtra(extra, f, options.maxKdfLog2); !s) return s;
      if (m.fileVersion > 0) m.name += ";" + std::to_string(m.fileVersion);
      m.packedSize = dataSize;
      break;
    }
    case kTypeService:
    default:
      b.kind = BlockKind::other;
      break;
  }
  (void)kHasData;
  return b;
}

}  // namespace rar
