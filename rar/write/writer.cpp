#include "rar/write/writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "rar/checksum/crc32.h"
#include "rar/crypto/crypto.h"
#include "rar/crypto/keys.h"
#include "rar/io/memory_fs.h"

namespace rar {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kSignature[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};
constexpr size_t kChunk = 64 * 1024;

void putVint(Bytes& b, uint64_t v) {
  do {
    uint8_t byte = v & 0x7F;
    v >>= 7;
    if (v) byte |= 0x80;
    b.push_back(byte);
  } while (v);
}

void put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

void putBytes(Bytes& b, const uint8_t* p, size_t n) { b.insert(b.end(), p, p + n); }

// A complete header block from its body (type, flags, ...): CRC32, size.
Bytes frame(const Bytes& body) {
  Bytes sized;
  putVint(sized, body.size());
  sized.insert(sized.end(), body.begin(), body.end());
  Bytes out;
  put32(out, crc32(sized.data(), sized.size()));
  out.insert(out.end(), sized.begin(), sized.end());
  return out;
}

}  // namespace

struct Writer::Impl {
  FileSystem& fs;
  WriterOptions options;
  std::string firstPath;
  std::string path;  // current volume
  std::unique_ptr<OutputFile> out;
  uint64_t written = 0;  // bytes in the current volume
  unsigned volume = 0;
  bool finished = false;
  Status failure;

  // Encryption: one salt for the archive, keys derived once.
  bool encrypt = false;
  std::array<uint8_t, 16> salt{};
  crypto::Rar5Keys keys;
  std::array<uint8_t, 12> check{};

  Impl(FileSystem& fs, WriterOptions o) : fs(fs), options(std::move(o)) {}

  Status write(const Bytes& b) { return write(b.data(), b.size()); }
  Status write(const uint8_t* p, size_t n) {
    if (Status s = out->write(p, n); !s) return s;
    written += n;
    return {};
  }

  // The bytes a header takes in the file (encrypted headers: IV + blocks).
  size_t headerCost(const Bytes& framed) const {
    return options.encryptHeaders ? 16 + (framed.size() + 15) / 16 * 16 : framed.size();
  }

  Status writeHeader(const Bytes& body) {
    Bytes framed = frame(body);
    if (!options.encryptHeaders) return write(framed);
    uint8_t iv[16];
    if (Status s = crypto::randomBytes(iv, 16); !s) return s;
    framed.resize((framed.size() + 15) / 16 * 16, 0);
    auto aes = crypto::AesCbc::create(crypto::AesCbc::Direction::encrypt, keys.key.data(), 32, iv);
    if (!aes) return aes.status();
    if (Status s = (*aes)->process(framed.data(), framed.size()); !s) return s;
    if (Status s = write(iv, 16); !s) return s;
    return write(framed);
  }

  Bytes mainBody() const {
    Bytes b;
    putVint(b, 1);  // main header
    putVint(b, 0);  // no extra area, no data
    uint64_t flags = 0;
    if (options.volumeSize) flags |= 0x01;
    if (volume > 0) flags |= 0x02;
    putVint(b, flags);
    if (volume > 0) putVint(b, volume);
    return b;
  }

  Bytes endBody(bool moreVolumes) const {
    Bytes b;
    putVint(b, 5);
    putVint(b, 0);
    putVint(b, moreVolumes ? 1 : 0);
    return b;
  }

  // Room the end block needs in every volume.
  size_t endCost() const { return headerCost(frame(endBody(true))); }

  Status openVolume() {
    path = volume == 0 ? firstPath : nextVolumeName(path, options.naming);
    if (path.empty()) return Status(Error::writeFailed, "cannot name volume " + std::to_string(volume + 1) + " of " + firstPath);
    auto f = fs.create(path);
    if (!f) return f.status();
    out = std::move(*f);
    written = 0;
    if (Status s = write(kSignature, sizeof(kSignature)); !s) return s;
    if (options.encryptHeaders) {
      Bytes b;
      putVint(b, 4);
      putVint(b, 0);
      putVint(b, 0);     // encryption version
      putVint(b, 0x01);  // check value present
      b.push_back(uint8_t(options.kdfLog2));
      putBytes(b, salt.data(), 16);
      putBytes(b, check.data(), 12);
      if (Status s = write(frame(b)); !s) return s;
    }
    return writeHeader(mainBody());
  }

  Status closeVolume(bool moreVolumes) {
    if (Status s = writeHeader(endBody(moreVolumes)); !s) return s;
    if (Status s = out->close(); !s) return s;
    out.reset();
    return {};
  }

  Status nextVolume() {
    if (Status s = closeVolume(true); !s) return s;
    ++volume;
    return openVolume();
  }

  // Body of a file header. `dataSize` is this part's packed size.
  Bytes fileBody(const std::string& name, const MemberMeta& meta, bool dir, uint64_t size, uint64_t dataSize,
                 bool splitBefore, bool splitAfter, bool hasCrc, uint32_t crc, const uint8_t* iv) const {
    Bytes extra;
    if (encrypt && !dir) {
      Bytes rec;
      putVint(rec, 1);  // encryption record
      putVint(rec, 0);  // version
      putVint(rec, 0x03);  // check value present, checksums keyed (MAC)
      rec.push_back(uint8_t(options.kdfLog2));
      putBytes(rec, salt.data(), 16);
      putBytes(rec, iv, 16);
      putBytes(rec, check.data(), 12);
      putVint(extra, rec.size());
      extra.insert(extra.end(), rec.begin(), rec.end());
    }
    Bytes b;
    putVint(b, 2);  // file header
    // Directories carry an empty data area too: some readers insist on it.
    uint64_t flags = (extra.empty() ? 0 : 0x01) | 0x02 | (splitBefore ? 0x08 : 0) | (splitAfter ? 0x10 : 0);
    putVint(b, flags);
    if (!extra.empty()) putVint(b, extra.size());
    putVint(b, dataSize);
    uint64_t fileFlags = (dir ? 0x01 : 0) | 0x02 | (hasCrc ? 0x04 : 0);
    putVint(b, fileFlags);
    putVint(b, size);
    putVint(b, meta.attributes ? meta.attributes : (meta.unixHost ? (dir ? 040755u : 0100644u) : (dir ? 0x10u : 0x20u)));
    put32(b, uint32_t(std::clamp<int64_t>(meta.mtime, 0, 0xFFFFFFFFLL)));
    if (hasCrc) put32(b, crc);
    putVint(b, 0);  // compression: version 0, method 0 (store), smallest dictionary
    putVint(b, meta.unixHost ? 1 : 0);
    putVint(b, name.size());
    b.insert(b.end(), name.begin(), name.end());
    b.insert(b.end(), extra.begin(), extra.end());
    return b;
  }

  Status checkName(const std::string& name) const {
    if (name.empty() || name.size() > 2048) return Status(Error::writeFailed, "member name must have 1 to 2048 bytes");
    if (finished) return Status(Error::writeFailed, "the archive is already finished");
    return {};
  }

  Status addDirectory(const std::string& name, const MemberMeta& meta) {
    if (Status s = checkName(name); !s) return s;
    Bytes body = fileBody(name, meta, true, 0, 0, false, false, false, 0, nullptr);
    if (options.volumeSize && written + headerCost(frame(body)) + endCost() > options.volumeSize) {
      if (Status s = nextVolume(); !s) return s;
    }
    return writeHeader(body);
  }

  // Copies [offset, offset+length) of the member's packed stream (the data,
  // zero-padded and encrypted when encrypting) to `sink`.
  class PackedSource {
   public:
    PackedSource(InputFile& in, uint64_t size) : in_(in), size_(size) {}
    // Produces the packed bytes of [from, from + length); encryption state
    // carries on between calls in order.
    template <typename F>
    Status produce(uint64_t from, uint64_t length, crypto::AesCbc* aes, F&& consume) {
      if (Status s = in_.seek(std::min(from, size_)); !s) return s;
      std::vector<uint8_t> buf(kChunk);
      uint64_t pos = from;
      while (length > 0) {
        size_t n = size_t(std::min<uint64_t>(length, buf.size()));
        size_t real = size_t(pos < size_ ? std::min<uint64_t>(n, size_ - pos) : 0);
        size_t got = 0;
        while (got < real) {
          auto r = in_.read(buf.data() + got, real - got);
          if (!r) return r.status();
          if (*r == 0) return Status(Error::readFailed, "the input file became shorter while it was stored");
          got += *r;
        }
        std::fill(buf.begin() + std::ptrdiff_t(real), buf.begin() + std::ptrdiff_t(n), uint8_t(0));
        if (aes) {
          if (Status s = aes->process(buf.data(), n); !s) return s;
        }
        if (Status s = consume(buf.data(), n); !s) return s;
        pos += n;
        length -= n;
      }
      return {};
    }

   private:
    InputFile& in_;
    uint64_t size_;
  };

  Status addFile(const std::string& name, InputFile& in, const MemberMeta& meta) {
    if (Status s = checkName(name); !s) return s;
    auto sz = in.size();
    if (!sz) return sz.status();
    const uint64_t size = *sz;
    // First pass: the checksum of the whole member.
    Crc32 crc;
    {
      if (Status s = in.seek(0); !s) return s;
      std::vector<uint8_t> buf(kChunk);
      uint64_t left = size;
      while (left > 0) {
        auto r = in.read(buf.data(), size_t(std::min<uint64_t>(left, buf.size())));
        if (!r) return r.status();
        if (*r == 0) return Status(Error::readFailed, "the input file became shorter while it was read");
        crc.update(buf.data(), *r);
        left -= *r;
      }
    }
    uint32_t fileCrc = crc.value();
    uint8_t iv[16] = {};
    std::unique_ptr<crypto::AesCbc> aes;
    uint64_t packed = size;
    if (encrypt) {
      if (Status s = crypto::randomBytes(iv, 16); !s) return s;
      auto a = crypto::AesCbc::create(crypto::AesCbc::Direction::encrypt, keys.key.data(), 32, iv);
      if (!a) return a.status();
      aes = std::move(*a);
      packed = (size + 15) / 16 * 16;
      fileCrc = crypto::rar5MacCrc(keys, fileCrc);
    }
    PackedSource source(in, size);
    uint64_t done = 0;
    bool first = true;
    std::array<uint8_t, 16> chain{};  // last ciphertext block: the CBC state
    std::memcpy(chain.data(), iv, 16);
    do {
      uint64_t remaining = packed - done;
      uint64_t part = remaining;
      bool last = true;
      if (options.volumeSize) {
        // The header's size depends on the part's size only through the
        // width of one number; try widths until the part fits.
        uint64_t room = 0;
        bool fits = false;
        for (unsigned width = 1; width <= 10 && !fits; ++width) {
          Bytes body = fileBody(name, meta, false, size, remaining, !first, true, true, 0, iv);
          size_t cost = headerCost(frame(body)) + width + endCost();
          if (written + cost >= options.volumeSize) break;
          room = options.volumeSize - written - cost;
          uint64_t candidate = std::min(remaining, room);
          if (encrypt && candidate < remaining) candidate -= candidate % 16;
          Bytes probe;
          putVint(probe, candidate);
          if (probe.size() <= width) {
            part = candidate;
            fits = true;
          }
        }
        if (!fits || (part == 0 && remaining > 0)) {
          if (written <= sizeof(kSignature) + 512)
            return Status(Error::writeFailed, "volume size " + std::to_string(options.volumeSize) + " is too small");
          if (Status s = nextVolume(); !s) return s;
          continue;
        }
        last = part == remaining;
      }
      // The header of a part that is not the last carries the CRC of that
      // part's packed bytes.
      uint32_t partCrc = fileCrc;
      bool hasCrc = true;
      if (!last) {
        Crc32 pc;
        std::unique_ptr<crypto::AesCbc> shadow;
        if (encrypt) {
          auto a = crypto::AesCbc::create(crypto::AesCbc::Direction::encrypt, keys.key.data(), 32, chain.data());
          if (!a) return a.status();
          shadow = std::move(*a);
        }
        if (Status s = source.produce(done, part, shadow.get(), [&](const uint8_t* p, size_t n) {
              pc.update(p, n);
              return Status();
            });
            !s)
          return s;
        partCrc = pc.value();
      }
      if (Status s = writeHeader(fileBody(name, meta, false, size, part, !first, !last, hasCrc, partCrc, iv)); !s) return s;
      if (Status s = source.produce(done, part, aes.get(), [&](const uint8_t* p, size_t n) {
            if (n >= 16) std::memcpy(chain.data(), p + n - 16, 16);
            return write(p, n);
          });
          !s)
        return s;
      done += part;
      first = false;
      if (!last) {
        if (Status s = nextVolume(); !s) return s;
      }
    } while (done < packed);
    return {};
  }
};

Writer::Writer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Writer::~Writer() = default;

Result<std::unique_ptr<Writer>> Writer::create(FileSystem& fs, const std::string& path, WriterOptions options) {
  if (options.encryptHeaders && options.password.empty())
    return Status(Error::missingPassword, "encrypted headers need a password");
  if (options.kdfLog2 > crypto::kMaxRar5KdfLog2) return Status(Error::unsupported, "key derivation count too large");
  auto impl = std::make_unique<Impl>(fs, std::move(options));
  impl->firstPath = path;
  // Volumes in the new naming need a number to count up: name.rar becomes
  // name.part1.rar.
  if (impl->options.volumeSize && impl->options.naming == VolumeNaming::newStyle &&
      nextVolumeName(path, VolumeNaming::newStyle).empty()) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
    impl->firstPath = path.substr(0, dot) + ".part1" + path.substr(dot);
  }
  impl->encrypt = !impl->options.password.empty();
  if (impl->encrypt) {
    if (Status s = crypto::randomBytes(impl->salt.data(), 16); !s) return s;
    impl->keys = crypto::deriveRar5Keys(impl->options.password.utf8(), impl->salt.data(), impl->options.kdfLog2);
    std::memcpy(impl->check.data(), impl->keys.check.data(), 8);
    auto d = crypto::sha256(impl->keys.check.data(), 8);
    std::memcpy(impl->check.data() + 8, d.data(), 4);
  }
  if (Status s = impl->openVolume(); !s) return s;
  return std::unique_ptr<Writer>(new Writer(std::move(impl)));
}

Status Writer::addDirectory(const std::string& name, const MemberMeta& meta) { return impl_->addDirectory(name, meta); }

Status Writer::addFile(const std::string& name, InputFile& data, const MemberMeta& meta) {
  return impl_->addFile(name, data, meta);
}

Status Writer::addBytes(const std::string& name, const std::string& bytes, const MemberMeta& meta) {
  MemoryInput in(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return impl_->addFile(name, in, meta);
}

Status Writer::finish() {
  if (impl_->finished) return {};
  impl_->finished = true;
  return impl_->closeVolume(false);
}

unsigned Writer::volumeCount() const { return impl_->volume + 1; }

const std::string& Writer::firstVolumePath() const { return impl_->firstPath; }

}  // namespace rar
