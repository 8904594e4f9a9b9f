// Reader behaviour beyond the corpus: volume naming and the volume callback,
// the data callback, password errors, SFX stubs, damaged and truncated input.

#include <gtest/gtest.h>

#include <cstring>

#include "rar/checksum/crc32.h"
#include "rar/io/memory_fs.h"
#include "rar/io/native_fs.h"
#include "rar/io/volume_names.h"
#include "rar/read/archive.h"
#include "rar/read/names.h"
#include "rar/write/writer.h"
#include "tests/rar/test_support.h"

namespace rar {
namespace {

TEST(RarVolumeNames, Table) {
  struct Case {
    const char* path;
    VolumeNaming naming;
    const char* next;
  };
  const Case cases[] = {
      {"a.part1.rar", VolumeNaming::newStyle, "a.part2.rar"},
      {"a.part9.rar", VolumeNaming::newStyle, "a.part10.rar"},
      {"a.part01.rar", VolumeNaming::newStyle, "a.part02.rar"},
      {"a.part99.rar", VolumeNaming::newStyle, "a.part100.rar"},
      {"dir.v2/a.part1.rar", VolumeNaming::newStyle, "dir.v2/a.part2.rar"},
      {"disk1/a.rar", VolumeNaming::newStyle, ""},
      {"a.rar", VolumeNaming::oldStyle, "a.r00"},
      {"a.RAR", VolumeNaming::oldStyle, "a.R00"},
      {"a.r00", VolumeNaming::oldStyle, "a.r01"},
      {"a.r99", VolumeNaming::oldStyle, "a.s00"},
      {"data.000", VolumeNaming::oldStyle, "data.001"},
      {"data.009", VolumeNaming::newStyle, "data.010"},
      {"data.999", VolumeNaming::oldStyle, "data.1000"},
      {"noext", VolumeNaming::oldStyle, ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(nextVolumeName(cases[i].path, cases[i].naming), cases[i].next) << "i: " << i << ", input: " << cases[i].path;
}

TEST(RarNames, CompressedUnicodeStaysInBounds) {
  // Every byte pattern of a short encoded field: the result never exceeds
  // the OEM name's length and nothing is read outside either input.
  const std::string oem = "abcd";
  for (unsigned a = 0; a < 256; ++a)
    for (unsigned b = 0; b < 256; b += 3) {
      uint8_t enc[4] = {uint8_t(a), uint8_t(b), uint8_t(a ^ 0xFF), 0x80};
      for (size_t n = 0; n <= sizeof(enc); ++n) {
        auto u = decodeCompressedUnicode(oem, enc, n);
        ASSERT_LE(u.size(), oem.size()) << a << " " << b << " " << n;
      }
    }
  // highbyte 0x04, flags 01 01 01 01 (low byte + highbyte): "абвг".
  const uint8_t cyr[] = {0x04, 0x55, 0x30, 0x31, 0x32, 0x33};
  EXPECT_EQ(decodeCompressedUnicode("abcd", cyr, sizeof(cyr)), u"\u0430\u0431\u0432\u0433");
}

TEST(RarNames, OemNamesUseCodePage866) {
  std::string oem;
  // "пароль" in code page 866.
  EXPECT_EQ(decodeName15("\xaf\xa0\xe0\xae\xab\xec", false, HostOs::msdos, oem),
            "\xd0\xbf\xd0\xb0\xd1\x80\xd0\xbe\xd0\xbb\xd1\x8c");
  EXPECT_EQ(normalizeSeparators15("a\\b\\c"), "a/b/c");
  EXPECT_EQ(normalizeSeparators50("a\\b/c"), "a_b/c");
}

// A small archive set in memory for the volume tests.
struct VolumeSetFixture {
  MemoryFileSystem fs;
  std::string data = test::hex(std::string(30000, 'v'));  // 60000 bytes
  VolumeSetFixture() {
    WriterOptions o;
    o.volumeSize = 20000;
    auto w = Writer::create(fs, "d1/set.part1.rar", o);
    EXPECT_TRUE(w.ok());
    EXPECT_TRUE((*w)->addBytes("big.txt", data).ok());
    EXPECT_TRUE((*w)->finish().ok());
    EXPECT_GE((*w)->volumeCount(), 4u);
  }
  void move(const std::string& from, const std::string& to) {
    fs.put(to, fs.get(from));
    fs.remove(from);
  }
  Status extract(const VolumeCallback& cb, std::string* out = nullptr) {
    ArchiveOptions o;
    o.onVolume = cb;
    auto a = Archive::open(fs, "d1/set.part1.rar", o);
    if (!a) return a.status();
    auto h = (*a)->readHeader();
    if (!h) return h.status();
    test::MemorySink sink;
    Status s = (*a)->extract(sink);
    if (out) *out = std::string(sink.bytes.begin(), sink.bytes.end());
    return s;
  }
};

TEST(RarVolumes, MissingVolumeAsksWithTheExpectedPathAndTakesANewOne) {
  VolumeSetFixture f;
  f.move("d1/set.part2.rar", "d2/set.part2.rar");
  f.move("d1/set.part3.rar", "d2/set.part3.rar");
  f.move("d1/set.part4.rar", "d2/set.part4.rar");
  std::vector<std::string> asked, changed;
  std::string out;
  Status s = f.extract(
      [&](VolumeEvent e, std::string& path) {
        if (e == VolumeEvent::missing) {
          asked.push_back(path);
          path = "d2/" + path.substr(3);
        } else {
          changed.push_back(path);
        }
        return true;
      },
      &out);
  EXPECT_TRUE(s.ok()) << s.toString();
  EXPECT_EQ(out, f.data);
  // Asked once: the following volumes are looked for next to the new one.
  EXPECT_EQ(asked, std::vector<std::string>{"d1/set.part2.rar"});
  ASSERT_GE(changed.size(), 3u);
  EXPECT_EQ(changed[0], "d2/set.part2.rar");
}

TEST(RarVolumes, MissingVolumeErrors) {
  VolumeSetFixture f;
  f.fs.remove("d1/set.part3.rar");
  EXPECT_EQ(f.extract({}).error(), Error::missingVolume);
  EXPECT_EQ(f.extract([](VolumeEvent e, std::string&) { return e != VolumeEvent::missing; }).error(), Error::aborted);
  // A callback that keeps saying "try again" without the volume appearing
  // ends with a missing volume, not a hang.
  int calls = 0;
  EXPECT_EQ(f.extract([&](VolumeEvent, std::string&) { return ++calls > 0; }).error(), Error::missingVolume);
  EXPECT_GT(calls, 1);
}

TEST(RarVolumes, ChangedCallbackCanAbort) {
  VolumeSetFixture f;
  EXPECT_EQ(f.extract([](VolumeEvent e, std::string&) { return e != VolumeEvent::changed; }).error(), Error::aborted);
}

TEST(RarDataCallback, SeesEveryBlockAndCanAbort) {
  MemoryFileSystem fs;
  auto w = Writer::create(fs, "a.rar");
  ASSERT_TRUE(w.ok());
  std::string big(size_t(3) << 20, 'z');  // several blocks of the stored copy
  ASSERT_TRUE((*w)->addBytes("big", big).ok());
  ASSERT_TRUE((*w)->addBytes("next", "after").ok());
  ASSERT_TRUE((*w)->finish().ok());

  uint64_t seen = 0;
  ArchiveOptions o;
  o.onData = [&](const uint8_t*, size_t n) {
    seen += n;
    return true;
  };
  auto a = Archive::open(fs, "a.rar", o);
  ASSERT_TRUE(a.ok());
  ASSERT_TRUE((*a)->readHeader().ok());
  ASSERT_TRUE((*a)->test().ok());
  EXPECT_EQ(seen, big.size());

  int blocks = 0;
  (*a)->setDataCallback([&](const uint8_t*, size_t) { return ++blocks < 2; });
  auto b = Archive::open(fs, "a.rar", o);
  ASSERT_TRUE(b.ok());
  (*b)->setDataCallback([&](const uint8_t*, size_t) { return ++blocks < 2; });
  ASSERT_TRUE(*(*b)->readHeader());
  test::MemorySink sink;
  EXPECT_EQ((*b)->extract(sink).error(), Error::aborted);
  EXPECT_LT(sink.bytes.size(), big.size());
  // The archive goes on with the next member.
  auto h = (*b)->readHeader();
  ASSERT_TRUE(h.ok() && *h) << h.status().toString();
  EXPECT_EQ((*b)->member().name, "next");
}

struct PasswordCase {
  const char* archive;
  const char* password;  // nullptr: none given
  Error expected;
};

TEST(RarPasswords, ErrorsAreTold) {
  const PasswordCase cases[] = {
      // RAR 5 with a check value: a wrong password is known as such.
      {"libarchive/test_read_format_rar5_encrypted.rar", "wrong", Error::badPassword},
      {"libarchive/test_read_format_rar5_encrypted.rar", nullptr, Error::missingPassword},
      {"rarfile/rar5-hpsw.rar", "wrong", Error::badPassword},
      {"rarfile/rar5-hpsw.rar", nullptr, Error::missingPassword},
      // RAR 3: no check value; encrypted headers fail their checksum.
      {"rarfile/rar3-comment-hpsw.rar", "wrong", Error::badPassword},
      {"pecl-rar/secret-none.rar", nullptr, Error::missingPassword},
      // RAR 3 stored data with a wrong key: only the checksum can tell.
      {"pecl-rar/secret-none.rar", "wrong", Error::corruptData},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const PasswordCase& c = cases[i];
    NativeFileSystem fs;
    ArchiveOptions o;
    if (c.password) o.password = Password::fromUtf8(c.password);
    Status s;
    auto a = Archive::open(fs, test::corpusDir() + "/" + c.archive, o);
    if (!a) {
      s = a.status();
    } else {
      for (;;) {
        auto h = (*a)->readHeader();
        if (!h) {
          s = h.status();
          break;
        }
        if (!*h) break;
        if (!(*a)->member().encrypted) continue;
        s = (*a)->test();
        break;
      }
    }
    EXPECT_EQ(s.error(), c.expected) << "i: " << i << ", input: " << c.archive << ": " << s.toString();
  }
}

TEST(RarPasswords, AnotherPasswordCanBeTriedForEncryptedHeaders) {
  NativeFileSystem fs;
  ArchiveOptions o;
  o.password = Password::fromUtf8("wrong");
  auto a = Archive::open(fs, test::corpusDir() + "/rarfile/rar5-hpsw.rar", o);
  ASSERT_TRUE(a.ok());
  EXPECT_EQ((*a)->readHeader().status().error(), Error::badPassword);
  (*a)->setPassword(Password());
  EXPECT_EQ((*a)->readHeader().status().error(), Error::missingPassword);
  (*a)->setPassword(Password::fromUtf8("password"));
  auto h = (*a)->readHeader();
  ASSERT_TRUE(h.ok() && *h) << h.status().toString();
  EXPECT_TRUE((*a)->test().ok());
}

TEST(RarPasswords, PackagePasswordInCodePage866) {
  // The engine hands over its package password as code page 866 bytes.
  MemoryFileSystem fs;
  WriterOptions wo;
  wo.password = Password::fromUtf8("\xd0\xbf\xd0\xb0\xd1\x80\xd0\xbe\xd0\xbb\xd1\x8c");  // "пароль"
  wo.encryptHeaders = true;
  wo.kdfLog2 = 10;
  auto w = Writer::create(fs, "p.rar", wo);
  ASSERT_TRUE(w.ok());
  ASSERT_TRUE((*w)->addBytes("x", "secret").ok());
  ASSERT_TRUE((*w)->finish().ok());
  ArchiveOptions o;
  o.password = Password::fromOem866("\xaf\xa0\xe0\xae\xab\xec");
  auto a = Archive::open(fs, "p.rar", o);
  ASSERT_TRUE(a.ok());
  auto h = (*a)->readHeader();
  ASSERT_TRUE(h.ok() && *h) << h.status().toString();
  test::MemorySink sink;
  EXPECT_TRUE((*a)->extract(sink).ok());
  EXPECT_EQ(std::string(sink.bytes.begin(), sink.bytes.end()), "secret");
}

MemoryFileSystem::Bytes smallArchive(bool encrypted) {
  MemoryFileSystem fs;
  WriterOptions o;
  if (encrypted) {
    o.password = Password::fromUtf8("pw");
    o.kdfLog2 = 0;
  }
  auto w = Writer::create(fs, "s.rar", o);
  EXPECT_TRUE(w.ok());
  EXPECT_TRUE((*w)->addBytes("one.txt", "first member").ok());
  EXPECT_TRUE((*w)->addDirectory("d").ok());
  EXPECT_TRUE((*w)->addBytes("d/two.txt", std::string(100, 't')).ok());
  EXPECT_TRUE((*w)->finish().ok());
  return fs.get("s.rar");
}

TEST(RarDamage, SfxStubWithAFalseSignatureBeforeTheArchive) {
  auto archive = smallArchive(false);
  MemoryFileSystem::Bytes file(70000, 0x90);
  const uint8_t fake[] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00, 0xFF, 0xFF};
  std::memcpy(file.data() + 1000, fake, sizeof(fake));  // a signature in the stub's code
  file.insert(file.end(), archive.begin(), archive.end());
  MemoryFileSystem fs;
  fs.put("setup.exe", file);
  auto a = Archive::open(fs, "setup.exe");
  ASSERT_TRUE(a.ok()) << a.status().toString();
  EXPECT_EQ((*a)->info().sfxSize, 70000u);
  auto h = (*a)->readHeader();
  ASSERT_TRUE(h.ok() && *h);
  EXPECT_EQ((*a)->member().name, "one.txt");
}

TEST(RarDamage, NotAnArchive) {
  MemoryFileSystem fs;
  fs.put("x.rar", MemoryFileSystem::Bytes(5000, 'x'));
  fs.put("empty.rar", {});
  EXPECT_EQ(Archive::open(fs, "x.rar").status().error(), Error::notRar);
  EXPECT_EQ(Archive::open(fs, "empty.rar").status().error(), Error::notRar);
  EXPECT_EQ(Archive::open(fs, "missing.rar").status().error(), Error::cannotOpen);
}

// Cut at every byte and flip every byte: never a crash, never a member's
// data reported as good when it differs.
TEST(RarDamage, TruncatedAndFlippedArchives) {
  for (bool encrypted : {false, true}) {
    const auto whole = smallArchive(encrypted);
    const std::map<std::string, std::string> good = {
        {"one.txt", "first member"}, {"d", ""}, {"d/two.txt", std::string(100, 't')}};
    auto run = [&](const MemoryFileSystem::Bytes& bytes, const std::string& what) {
      MemoryFileSystem fs;
      fs.put("s.rar", bytes);
      ArchiveOptions o;
      o.password = Password::fromUtf8("pw");
      auto a = Archive::open(fs, "s.rar", o);
      if (!a) return;
      for (int guard = 0; guard < 10; ++guard) {
        auto h = (*a)->readHeader();
        if (!h || !*h) return;
        test::MemorySink sink;
        if ((*a)->extract(sink).ok()) {
          auto it = good.find((*a)->member().name);
          if (it != good.end()) {
            ASSERT_EQ(std::string(sink.bytes.begin(), sink.bytes.end()), it->second) << what;
          }
        }
      }
    };
    for (size_t cut = 0; cut < whole.size(); ++cut)
      run(MemoryFileSystem::Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut)), "cut at " + std::to_string(cut));
    for (size_t i = 0; i < whole.size(); ++i) {
      auto flipped = whole;
      flipped[i] ^= 0xFF;
      run(flipped, "byte " + std::to_string(i) + " flipped");
    }
  }
}

// RAR 1.5-4.x blocks built by hand, for headers the writer does not make.
void put16(MemoryFileSystem::Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void put32(MemoryFileSystem::Bytes& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
// A block: CRC16 over everything after it, then `rest` (type onwards).
void block15(MemoryFileSystem::Bytes& out, MemoryFileSystem::Bytes rest) {
  put16(out, crc32(rest.data(), rest.size()) & 0xFFFF);
  out.insert(out.end(), rest.begin(), rest.end());
}
MemoryFileSystem::Bytes fileBlock15(uint32_t packLow, uint32_t unpLow, uint32_t unpHigh, uint32_t crc) {
  MemoryFileSystem::Bytes h = {0x74};
  put16(h, 0x8000 | 0x0100);  // long block, 64-bit sizes
  put16(h, 7 + 25 + 8 + 1);
  put32(h, packLow);
  put32(h, unpLow);
  h.push_back(2);  // Windows
  put32(h, crc);
  put32(h, 0x5A000000);  // DOS time
  h.push_back(29);
  h.push_back(0x30);  // stored
  put16(h, 1);
  put32(h, 0x20);
  put32(h, 0);  // high packed size
  put32(h, unpHigh);
  h.push_back('x');
  return h;
}
MemoryFileSystem::Bytes archive15(MemoryFileSystem::Bytes file, const std::string& data) {
  MemoryFileSystem::Bytes b = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
  MemoryFileSystem::Bytes main = {0x73, 0, 0, 13, 0, 0, 0, 0, 0, 0, 0};
  block15(b, main);
  block15(b, file);
  b.insert(b.end(), data.begin(), data.end());
  block15(b, {0x7B, 0x00, 0x40, 7, 0});
  return b;
}

TEST(RarDamage, DeclaredSizesThatDoNotMatchTheData) {
  struct Case {
    const char* label;
    uint32_t unpLow, unpHigh;
    Error expected;
  };
  // The data is "abc" in every case; the header claims otherwise.
  const Case cases[] = {
      {"4 GB declared", 0x00000000, 1, Error::corruptData},  // a contradiction, not a read failure
      {"fewer bytes declared", 2, 0, Error::corruptData},
      {"right size", 3, 0, Error::none},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    MemoryFileSystem fs;
    fs.put("h.rar", archive15(fileBlock15(3, c.unpLow, c.unpHigh, crc32(reinterpret_cast<const uint8_t*>("abc"), 3)), "abc"));
    auto a = Archive::open(fs, "h.rar");
    ASSERT_TRUE(a.ok()) << c.label << ": " << a.status().toString();
    auto h = (*a)->readHeader();
    ASSERT_TRUE(h.ok() && *h) << c.label << ": " << h.status().toString();
    EXPECT_EQ((*a)->member().unpackedSize, uint64_t(c.unpHigh) << 32 | c.unpLow) << c.label;
    test::MemorySink sink;
    Status s = (*a)->extract(sink);
    EXPECT_EQ(s.error(), c.expected) << "i: " << i << ", " << c.label << ": " << s.toString();
    auto end = (*a)->readHeader();
    EXPECT_TRUE(end.ok() && !*end) << c.label << ": the archive's end is still found";
  }
}

TEST(RarDamage, ReadingOnAfterATruncatedMemberKeepsFailing) {
  // Cut after the first member's header: every later read reports the
  // same failure instead of looping over that header again.
  auto whole = smallArchive(false);
  MemoryFileSystem fs;
  fs.put("t.rar", MemoryFileSystem::Bytes(whole.begin(), whole.begin() + 60));
  auto a = Archive::open(fs, "t.rar");
  ASSERT_TRUE(a.ok());
  auto h = (*a)->readHeader();
  ASSERT_TRUE(h.ok() && *h) << h.status().toString();
  Error first = (*a)->readHeader().status().error();
  EXPECT_NE(first, Error::none);
  for (int i = 0; i < 3; ++i) EXPECT_EQ((*a)->readHeader().status().error(), first) << "read " << i;
}

TEST(RarDamage, HeaderChecksumMismatch) {
  MemoryFileSystem fs;
  auto bytes = archive15(fileBlock15(3, 3, 0, crc32(reinterpret_cast<const uint8_t*>("abc"), 3)), "abc");
  bytes[7] ^= 0x01;  // the archive header's CRC
  fs.put("h.rar", bytes);
  EXPECT_EQ(Archive::open(fs, "h.rar").status().error(), Error::corruptHeader);
}

}  // namespace
}  // namespace rar
