// A member's data: packed bytes across volumes, decryption, decoding and
// checksum verification.

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "rar/checksum/blake2sp.h"
#include "rar/checksum/crc32.h"
#include "rar/crypto/crypto.h"
#include "rar/crypto/legacy_ciphers.h"
#include "rar/read/archive_impl.h"

namespace rar {
namespace {

constexpr size_t kBufferSize = 64 * 1024;
// Stored data is copied in blocks of this size (at most): as large as the
// native output's buffer, so whole blocks go to the file without a copy.
constexpr size_t kStoredBuffer = 1024 * 1024;

// RAR 1.4 data checksum: add each byte, rotate left by one (16 bits).
uint16_t checksum14(uint16_t sum, const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    sum = uint16_t(sum + data[i]);
    sum = uint16_t((sum << 1) | (sum >> 15));
  }
  return sum;
}

}  // namespace

// Checksums and counts what is produced, enforces the declared size, asks
// the data callback, and forwards to the sink.
// Also counts every byte against the archive's output limit. It is a sink
// too, so a file copy can be checked the same way as decoded data.
class CheckedOutput final : public DecodedOutput, public OutputSink {
 public:
  CheckedOutput(OutputSink& sink, const DataCallback& callback, const MemberInfo& m, uint64_t& produced,
                uint64_t maxOutput)
      : sink_(sink), callback_(callback), limit_(m.unpackedSize), limited_(m.sizeKnown),
        rar14_(m.format == Format::rar14), produced_(produced), maxOutput_(maxOutput) {
    // The hash may only be declared by the header of a later part; a member
    // in one part declares it here. Hashing costs more than decoding, so
    // only what can be checked is computed.
    if (m.hasBlake2 || (m.format == Format::rar50 && m.splitAfter)) blake_.emplace();
  }

  Status write(const uint8_t* data, size_t size) override {
    if (limited_ && size > limit_ - written_)
      return Status(Error::corruptData, "more data than the header declares");
    if (maxOutput_ != 0 && size > maxOutput_ - std::min(produced_, maxOutput_))
      return Status(Error::outputLimit, "the archive's output would exceed the limit of " + std::to_string(maxOutput_) + " bytes");
    produced_ += size;
    written_ += size;
    if (rar14_) {
      sum14_ = checksum14(sum14_, data, size);
    } else {
      crc_.update(data, size);
    }
    if (blake_) blake_->update(data, size);
    if (callback_ && !callback_(data, size)) return Status(Error::aborted, "extraction stopped by the data callback");
    return sink_.write(data, size);
  }

  uint64_t written() const { return written_; }
  uint32_t crc() const { return crc_.value(); }
  uint16_t sum14() const { return sum14_; }
  Blake2Digest blake2() { return blake_ ? blake_->finish() : Blake2Digest{}; }

 private:
  OutputSink& sink_;
  const DataCallback& callback_;
  uint64_t limit_;
  bool limited_;
  uint64_t written_ = 0;
  Crc32 crc_;
  uint16_t sum14_ = 0;
  bool rar14_;  // RAR 1.4 checks its own 16-bit sum instead of a CRC32
  uint64_t& produced_;
  uint64_t maxOutput_;
  std::optional<Blake2sp> blake_;
};

namespace {

// The member's packed bytes, joined across volumes and decrypted.
class MemberInput final : public PackedInput {
 public:
  explicit MemberInput(Archive::Impl& archive) : archive_(archive) {}

  Status init(const FileRecord& f, const Password& password, crypto::KeyCache& keys) {
    const MemberInfo& m = f.info;
    if (!m.encrypted) return {};
    switch (m.cipher) {
      case Cipher::rar13: rar13_.emplace(password.oem()); return {};
      case Cipher::rar15: rar15_.emplace(password.oem()); return {};
      case Cipher::rar20:
        rar20_.emplace(password.oem());
        block_ = 16;
        return {};
      case Cipher::aes128: {
        const auto& k = keys.rar3(password.utf16(), f.salt.data(), f.saltSize);
        return makeAes(k.key.data(), 16, k.iv.data());
      }
      case Cipher::aes256: {
        const auto& k = keys.rar5(password.utf8(), f.salt.data(), f.kdfLog2);
        return makeAes(k.key.data(), 32, f.iv.data());
      }
      case Cipher::none: return {};
    }
    return Status(Error::unsupported, "cipher");
  }

  Result<size_t> read(uint8_t* buffer, size_t size) override {
    if (block_ == 1) {
      auto got = archive_.readPackedRaw(buffer, size);
      if (!got) return got;
      if (rar13_) rar13_->decrypt(buffer, *got);
      if (rar15_) rar15_->apply(buffer, *got);
      return got;
    }
    if (pendingPos_ == pending_.size()) {
      if (Status s = refill(); !s) return s;
      if (pending_.empty()) return size_t(0);
    }
    size_t n = std::min(size, pending_.size() - pendingPos_);
    std::memcpy(buffer, pending_.data() + pendingPos_, n);
    pendingPos_ += n;
    return n;
  }

 private:
  Status makeAes(const uint8_t* key, size_t keySize, const uint8_t* iv) {
    auto a = crypto::AesCbc::create(crypto::AesCbc::Direction::decrypt, key, keySize, iv);
    if (!a) return a.status();
    aes_ = std::move(*a);
    block_ = 16;
    return {};
  }

  // Reads whole cipher blocks and decrypts them.
  Status refill() {
    pending_.resize(kBufferSize);
    pendingPos_ = 0;
    size_t have = 0;
    while (have < pending_.size()) {
      auto got = archive_.readPackedRaw(pending_.data() + have, pending_.size() - have);
      if (!got) return got.status();
      if (*got == 0) break;
      have += *got;
    }
    if (have % 16 != 0) return Status(Error::corruptData, "encrypted data is not a whole number of cipher blocks");
    pending_.resize(have);
    if (aes_) return aes_->process(pending_.data(), have);
    if (rar20_) rar20_->decrypt(pending_.data(), have);
    return {};
  }

  Archive::Impl& archive_;
  size_t block_ = 1;
  std::optional<crypto::Rar13Cipher> rar13_;
  std::optional<crypto::Rar15Cipher> rar15_;
  std::optional<crypto::Rar20Cipher> rar20_;
  std::unique_ptr<crypto::AesCbc> aes_;
  std::vector<uint8_t> pending_;
  size_t pendingPos_ = 0;
};

}  // namespace

Result<size_t> Archive::Impl::readPackedRaw(uint8_t* buffer, size_t size) {
  while (partRemaining == 0) {
    if (!partSplitAfter) return size_t(0);
    if (Status s = continueInNextVolume(); !s) return s;
  }
  size_t want = size_t(std::min<uint64_t>(size, partRemaining));
  auto got = volumes.readSome(buffer, want);
  if (!got) return got;
  if (*got == 0) return Status(Error::truncated, "the archive ends inside the data of " + current.info.name);
  partRemaining -= *got;
  return got;
}

Status Archive::Impl::continueInNextVolume() {
  if (!info.volume) {
    failure = Status(Error::corruptHeader, current.info.name + " continues in another volume, but the archive is not a volume");
    return failure;
  }
  if (Status s = openNextVolume(false); !s) {
    failure = s;  // the set cannot be read past this point
    return s;
  }
  for (;;) {
    auto b = readBlock();
    if (!b) return b.status();
    if (b->kind == BlockKind::other) continue;
    if (b->kind != BlockKind::file)
      return Status(Error::corruptHeader, "the continuation of " + current.info.name + " is missing in " + volumes.path());
    const FileRecord& f = b->file;
    if (!f.info.splitBefore || f.info.storedName != current.info.storedName)
      return Status(Error::corruptHeader, "volume " + volumes.path() + " does not continue " + current.info.name);
    partRemaining = f.dataSize;
    partSplitAfter = f.info.splitAfter;
    // The last part carries the checksum of the whole member.
    if (!partSplitAfter) {
      current.info.crc = f.info.crc;
      current.info.hasCrc = f.info.hasCrc;
      current.info.hasBlake2 = f.info.hasBlake2;
      current.info.blake2 = f.info.blake2;
    }
    return volumes.seek(f.dataStart);
  }
}

Status Archive::Impl::failMember(Status s) {
  // The member's own failure is the result; when its data cannot be passed
  // over either, the archive ends here (kept in `failure`) and the message
  // says so.
  // The two may be one and the same failure (a truncated member); say it once.
  if (Status passed = passOverData(); !passed) {
    if (passed.message() == s.message() || s.message().find(passed.message()) != std::string::npos) return s;
    return Status(s.error(), s.message() + "; " + passed.message());
  }
  return s;
}

Status Archive::Impl::passOverData() {
  if (!failure) return failure;
  if (dataDone) return {};
  dataDone = true;
  // Where the next header starts is unknown after a failure here, so the
  // failure ends the archive (and a caller that keeps reading gets it again).
  auto fail = [&](Status s) {
    failure = s;
    return s;
  };
  for (;;) {
    uint64_t end = volumes.position() + partRemaining;
    if (end > volumes.size()) return fail(Status(Error::truncated, "the archive ends inside the data of " + current.info.name));
    if (Status s = volumes.seek(end); !s) return fail(s);
    partRemaining = 0;
    if (!partSplitAfter) break;
    if (Status s = continueInNextVolume(); !s) return fail(s);
  }
  nextBlock = volumes.position();
  return {};
}

Status Archive::Impl::checkPassword() {
  const FileRecord& f = current;
  if (!f.info.encrypted) return {};
  if (options.password.empty()) return Status(Error::missingPassword, current.info.name + " is encrypted");
  if (f.info.cipher == Cipher::aes256 && f.hasCheck && crypto::rar5CheckRecordIntact(f.check.data())) {
    const auto& k = keys.rar5(options.password.utf8(), f.salt.data(), f.kdfLog2);
    if (std::memcmp(k.check.data(), f.check.data(), 8) != 0)
      return Status(Error::badPassword, "wrong password for " + current.info.name);
  }
  return {};
}

Status Archive::Impl::extractCurrent(OutputSink& sink) {
  MemberInfo& m = current.info;
  if (m.splitBefore) return Status(Error::missingVolume, m.name + " starts in an earlier volume");
  if (m.headerDamaged) {
    // Nothing in the header can be trusted, not even whether there is data.
    if (!current.stored && !solidBroken) {
      solidBroken = true;
      solidBreak = Status(Error::corruptHeader, m.name + ": damaged header");
    }
    return failMember(Status(Error::corruptHeader, m.name + ": header checksum mismatch"));
  }
  if (m.isDirectory || (m.link != LinkKind::none && m.link != LinkKind::fileCopy)) return passOverData();
  if (m.link == LinkKind::fileCopy) {
    // The copy is held to its own header: size and checksum.
    CheckedOutput out(sink, options.onData, m, produced, options.maxOutput);
    Status s = extractCopy(out);
    if (!s) {
      s = failMember(s);
      if (s.error() == Error::outputLimit) failure = s;
      return s;
    }
    if (Status pass = passOverData(); !pass) return pass;
    return verifyMember(out);
  }
  if (!current.unsupported.empty()) {
    solidBroken = true;
    solidBreak = Status(Error::unsupported, m.name + ": " + current.unsupported);
    return failMember(Status(Error::unsupported, m.name + ": " + current.unsupported));
  }
  if (Status s = checkPassword(); !s) {
    if (!current.stored) {
      solidBroken = true;
      solidBreak = s;
    }
    return failMember(s);
  }
  if (m.dictionarySize > options.limits.maxDictionary && !current.stored) {
    solidBroken = true;
    solidBreak = Status(Error::unsupported, m.name + ": dictionary beyond the limit");
    return failMember(Status(Error::unsupported, m.name + ": dictionary of " + std::to_string(m.dictionarySize >> 10) +
                                                     " KB is beyond the limit"));
  }

  MemberInput in(*this);
  if (Status s = in.init(current, options.password, keys); !s) return failMember(s);
  CheckedOutput out(sink, options.onData, m, produced, options.maxOutput);
  Status result;
  if (current.stored) {
    // Large blocks for large members: the output passes them on to the
    // file without copying them. Not cleared: every byte is read into first.
    size_t bufferSize = kStoredBuffer;
    if (m.sizeKnown && !m.encrypted && m.unpackedSize < bufferSize) bufferSize = std::max<size_t>(size_t(m.unpackedSize), 1);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[bufferSize]);
    const std::span<uint8_t> buf(buffer.get(), bufferSize);
    for (;;) {
      auto got = in.read(buf.data(), buf.size());
      if (!got) {
        result = got.status();
        break;
      }
      if (*got == 0) break;
      // Encrypted stored data is padded to whole cipher blocks.
      size_t n = *got;
      if (m.sizeKnown) n = size_t(std::min<uint64_t>(n, m.unpackedSize - out.written()));
      if (n == 0) continue;
      if (Status s = out.write(buf.data(), n); !s) {
        result = s;
        break;
      }
    }
  } else {
    if (m.solid && solidBroken) {
      // Report why the stream broke: a member that could not be decoded at
      // all makes the rest of the stream just as undecodable.
      result = Status(solidBreak.error() == Error::unsupported ? Error::unsupported : Error::corruptData,
                      "continues a solid stream that was not decoded (" + solidBreak.message() + ")");
    } else {
      if (!decoder || decoderFamily != current.family) {
        if (m.solid && decoder) {
          result = Status(Error::corruptData, m.name + " continues a solid stream of another method");
        } else {
          auto d = makeDecoder(current.family, options.limits);
          if (!d) {
            result = d.status();
          } else {
            decoder = std::move(*d);
            decoderFamily = current.family;
          }
        }
      }
      if (result) {
        MemberParams params;
        params.family = current.family;
        params.algorithmVersion = current.algorithmVersion;
        params.unpackedSize = m.unpackedSize;
        params.sizeKnown = m.sizeKnown;
        params.dictionarySize = m.dictionarySize;
        params.solid = m.solid;
        result = decoder->decode(params, in, out);
      }
    }
    if (!result && !(m.solid && solidBroken)) solidBreak = Status(result.error(), m.name + ": " + result.message());
    solidBroken = !result;
  }
  // Move past the rest of the data; this also reaches the last part, whose
  // header holds the checksum of the whole member.
  if (!result) {
    Status s = failMember(Status(result.error(), m.name + ": " + result.message()));
    // Over the output limit the archive is refused, not just this member.
    if (s.error() == Error::outputLimit) failure = s;
    return s;
  }
  if (Status pass = passOverData(); !pass) return pass;
  return verifyMember(out);
}

Status Archive::Impl::verifyMember(CheckedOutput& out) {
  const MemberInfo& m = current.info;
  if (m.sizeKnown && out.written() != m.unpackedSize)
    return Status(Error::corruptData, m.name + ": " + std::to_string(out.written()) + " bytes extracted where the header declares " +
                                          std::to_string(m.unpackedSize));

  // Checksums. Encrypted RAR 5 members may store keyed (MAC) forms.
  const crypto::Rar5Keys* macKeys = nullptr;
  if (m.cipher == Cipher::aes256 && current.useMac)
    macKeys = &keys.rar5(options.password.utf8(), current.salt.data(), current.kdfLog2);
  const char* hint = (m.encrypted && !(m.cipher == Cipher::aes256 && current.hasCheck)) ? " (wrong password or damaged data)" : "";
  // A file copy holds no data, and archivers store the checksum of that
  // empty data (CRC 0) rather than of the copied content; such a value says
  // nothing, and the original's own checksum has vouched for the bytes.
  // Any other value declared for a copy is checked.
  const bool copy = m.link == LinkKind::fileCopy;
  const bool crcSaysNothing = copy && m.crc == 0 && m.unpackedSize != 0;
  const bool blakeSaysNothing = copy && m.hasBlake2 && m.blake2 == Blake2sp().finish() && m.unpackedSize != 0;
  if (m.hasCrc && !crcSaysNothing) {
    bool match;
    if (m.format == Format::rar14) {
      match = out.sum14() == (m.crc & 0xFFFF);
    } else {
      uint32_t actual = out.crc();
      if (macKeys) actual = crypto::rar5MacCrc(*macKeys, actual);
      match = actual == m.crc;
    }
    if (!match) return Status(Error::corruptData, m.name + ": checksum mismatch" + hint);
  }
  if (m.hasBlake2 && !blakeSaysNothing) {
    Blake2Digest actual = out.blake2();
    if (macKeys) actual = crypto::rar5MacHash(*macKeys, actual);
    if (actual != m.blake2) return Status(Error::corruptData, m.name + ": BLAKE2 hash mismatch" + hint);
  }
  return {};
}

}  // namespace rar
