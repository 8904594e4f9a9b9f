// Hostile and damaged archives: each case is a small crafted archive that
// once made the reader do too much work, trust a damaged header, lose or
// invent members, or destroy a good file.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "rar/crypto/crypto.h"
#include "rar/crypto/keys.h"
#include "rar/extract/extract_all.h"
#include "rar/io/memory_fs.h"
#include "rar/io/native_fs.h"
#include "rar/read/archive.h"
#include "rar/write/writer.h"
#include "tests/rar/hostile_fixtures.h"
#include "tests/rar/test_support.h"
#include "text/codepage.h"

namespace rar {
namespace {

using fixtures::Bytes;

// Counts the bytes read through it: the cost of opening, measured in work
// rather than in time.
class CountingFileSystem final : public FileSystem {
 public:
  explicit CountingFileSystem(FileSystem& inner) : inner_(inner) {}
  Result<std::unique_ptr<InputFile>> openRead(const std::string& path) override {
    auto f = inner_.openRead(path);
    if (!f) return f.status();
    return std::unique_ptr<InputFile>(std::make_unique<Counted>(std::move(*f), bytesRead));
  }
  bool exists(const std::string& path) override { return inner_.exists(path); }
  Result<std::unique_ptr<OutputFile>> create(const std::string& path) override { return inner_.create(path); }
  Status createDirectories(const std::string& path) override { return inner_.createDirectories(path); }
  void remove(const std::string& path) override { inner_.remove(path); }
  uint64_t bytesRead = 0;

 private:
  class Counted final : public InputFile {
   public:
    Counted(std::unique_ptr<InputFile> f, uint64_t& n) : f_(std::move(f)), n_(n) {}
    Result<size_t> read(uint8_t* buffer, size_t size) override {
      auto r = f_->read(buffer, size);
      if (r) n_ += *r;
      return r;
    }
    Status seek(uint64_t offset) override { return f_->seek(offset); }
    Result<uint64_t> size() override { return f_->size(); }

   private:
    std::unique_ptr<InputFile> f_;
    uint64_t& n_;
  };
  FileSystem& inner_;
};

Bytes writerArchive() {
  MemoryFileSystem fs;
  auto w = Writer::create(fs, "s.rar", {});
  EXPECT_TRUE(w.ok());
  EXPECT_TRUE((*w)->addBytes("one.txt", "first member").ok());
  EXPECT_TRUE((*w)->addBytes("two.txt", std::string(100, 't')).ok());
  EXPECT_TRUE((*w)->finish().ok());
  return fs.get("s.rar");
}

std::vector<std::string> names(Archive& a, Status* end = nullptr) {
  std::vector<std::string> out;
  for (int guard = 0; guard < 100; ++guard) {
    auto h = a.readHeader();
    if (!h) {
      if (end) *end = h.status();
      break;
    }
    if (!*h) break;
    out.push_back(a.member().name);
  }
  return out;
}

TEST(RarHostile, CraftedSfxStubOpensInLinearWork) {
  // 2 MB of signatures, each claiming the largest header of its format;
  // the real archive (or nothing) follows. Every variant must be decided
  // after reading a small multiple of the file.
  for (bool rar5 : {false, true}) {
    for (bool withArchive : {false, true}) {
      Bytes file = fixtures::craftedStub(2 * 1024 * 1024, rar5);
      if (withArchive) {
        Bytes a = writerArchive();
        file.insert(file.end(), a.begin(), a.end());
      }
      MemoryFileSystem mem;
      mem.put("setup.exe", file);
      CountingFileSystem fs(mem);
      auto a = Archive::open(fs, "setup.exe");
      EXPECT_FALSE(a.ok() && !withArchive) << "a stub of false signatures is no archive";
      EXPECT_LE(fs.bytesRead, 8 * file.size()) << (rar5 ? "RAR 5" : "RAR 1.5") << " signatures: " << fs.bytesRead
                                               << " bytes read to open " << file.size();
    }
  }
}

TEST(RarHostile, FalseSignaturesInAStubStillFindTheArchiveBehindThem) {
  // A few false signatures with large claims before a real archive: found.
  Bytes file = fixtures::craftedStub(200000, true);
  Bytes a = writerArchive();
  file.insert(file.end(), a.begin(), a.end());
  MemoryFileSystem fs;
  fs.put("setup.exe", file);
  auto opened = Archive::open(fs, "setup.exe");
  ASSERT_TRUE(opened.ok()) << opened.status().toString();
  EXPECT_EQ((*opened)->info().sfxSize, 200000u);
  EXPECT_EQ(names(**opened), (std::vector<std::string>{"one.txt", "two.txt"}));
}

// RAR 1.5: "a" then "b"; the header of "a" damaged as given.
Bytes twoMembers15(const std::function<void(Bytes& headerOfA)>& damage) {
  Bytes b = fixtures::kSig15;
  fixtures::block15(b, fixtures::main15());
  Bytes fileA;
  fixtures::block15(fileA, fixtures::file15("a", "alpha"));
  damage(fileA);
  b.insert(b.end(), fileA.begin(), fileA.end());
  b.insert(b.end(), {'a', 'l', 'p', 'h', 'a'});
  fixtures::block15(b, fixtures::file15("b", "beta"));
  b.insert(b.end(), {'b', 'e', 't', 'a'});
  fixtures::block15(b, fixtures::end15());
  return b;
}

TEST(RarHostile, ADamagedFileHeaderIsNeverTrusted) {
  // One flipped bit makes "a" a directory (flags 0x00E0); another changes
  // only its attributes. Either way the member fails everywhere, with the
  // reason, nothing is created for it, and "b" is still read.
  const std::pair<const char*, size_t> flips[] = {{"file becomes a directory", 3}, {"attributes", 28}};
  for (const auto& [what, offset] : flips) {
    Bytes bytes = twoMembers15([&](Bytes& h) { h[offset] ^= offset == 3 ? 0xE0 : 0x01; });
    MemoryFileSystem fs;
    fs.put("d.rar", bytes);
    {
      auto a = Archive::open(fs, "d.rar");
      ASSERT_TRUE(a.ok()) << what;
      auto h = (*a)->readHeader();
      ASSERT_TRUE(h.ok() && *h) << what;
      EXPECT_TRUE((*a)->member().headerDamaged) << what;
      Status s = (*a)->test();
      EXPECT_EQ(s.error(), Error::corruptHeader) << what << ": " << s.toString();
      EXPECT_NE(s.message().find("header checksum"), std::string::npos) << s.message();
      h = (*a)->readHeader();
      ASSERT_TRUE(h.ok() && *h) << what;
      EXPECT_EQ((*a)->member().name, "b");
      EXPECT_TRUE((*a)->test().ok());
    }
    auto a = Archive::open(fs, "d.rar");
    ASSERT_TRUE(a.ok());
    ExtractReport report;
    extractAll(**a, fs, "/out", report);
    EXPECT_EQ(report.problems.size(), 1u) << what;
    EXPECT_EQ(report.directories, 0u) << what << ": no directory for a damaged header";
    EXPECT_FALSE(fs.isDirectory("/out/a")) << what;
    EXPECT_TRUE(fs.get("/out/a").empty()) << what;
    EXPECT_EQ(fs.get("/out/b"), (Bytes{'b', 'e', 't', 'a'})) << what;
  }
}

TEST(RarHostile, TheFirstBlockIsNeverDropped) {
  // RAR 1.5 and RAR 5 archives whose first block is a file, not the
  // archive header: the file is the first member.
  Bytes b15 = fixtures::kSig15;
  fixtures::block15(b15, fixtures::file15("first", "1"));
  b15.push_back('1');
  fixtures::block15(b15, fixtures::file15("second", "2"));
  b15.push_back('2');
  fixtures::block15(b15, fixtures::end15());
  Bytes b50 = fixtures::kSig50;
  fixtures::file50(b50, "first", "1");
  fixtures::file50(b50, "second", "2");
  fixtures::block50(b50, fixtures::end50());
  for (const Bytes& bytes : {b15, b50}) {
    MemoryFileSystem fs;
    fs.put("f.rar", bytes);
    auto a = Archive::open(fs, "f.rar");
    ASSERT_TRUE(a.ok()) << a.status().toString();
    Status end;
    EXPECT_EQ(names(**a, &end), (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(end.ok()) << end.toString();
  }
}

TEST(RarHostile, OnlyAVolumeSetContinuesInTheNextFile) {
  // End blocks saying "more volumes follow" in archives that are no
  // volume; a file with the next volume's name holds another archive.
  Bytes other15 = fixtures::kSig15;
  fixtures::block15(other15, fixtures::main15(0x0001));
  fixtures::block15(other15, fixtures::file15("intruder", "x"));
  other15.push_back('x');
  fixtures::block15(other15, fixtures::end15());
  Bytes b15 = fixtures::kSig15;
  fixtures::block15(b15, fixtures::main15(0));
  fixtures::block15(b15, fixtures::file15("own", "o"));
  b15.push_back('o');
  fixtures::block15(b15, fixtures::end15(0x0001));

  Bytes other50 = fixtures::kSig50;
  fixtures::block50(other50, fixtures::main50(0x01));
  fixtures::file50(other50, "intruder", "x");
  fixtures::block50(other50, fixtures::end50());
  Bytes b50 = fixtures::kSig50;
  fixtures::block50(b50, fixtures::main50(0));
  fixtures::file50(b50, "own", "o");
  fixtures::block50(b50, fixtures::end50(0x01));

  const std::tuple<Bytes, Bytes, const char*, const char*> cases[] = {
      {b15, other15, "set.rar", "set.r00"}, {b50, other50, "set.part1.rar", "set.part2.rar"}};
  for (const auto& [first, next, name, nextName] : cases) {
    MemoryFileSystem fs;
    fs.put(name, first);
    fs.put(nextName, next);
    auto a = Archive::open(fs, name);
    ASSERT_TRUE(a.ok()) << name;
    Status end;
    EXPECT_EQ(names(**a, &end), std::vector<std::string>{"own"}) << name;
    EXPECT_TRUE(end.ok()) << name << ": " << end.toString();
  }
}

TEST(RarHostile, Rar5CutAtABlockBoundaryIsTruncated) {
  Bytes whole = writerArchive();
  // Find the block boundaries by cutting at every offset: wherever the cut
  // leaves whole blocks, the result must still be "truncated", never a
  // clean end; the intact archive ends cleanly.
  unsigned boundaries = 0;
  for (size_t cut = 8; cut < whole.size(); ++cut) {
    MemoryFileSystem fs;
    fs.put("t.rar", Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut)));
    auto a = Archive::open(fs, "t.rar");
    if (!a) continue;
    Status end;
    names(**a, &end);
    ASSERT_FALSE(end.ok()) << "cut at " << cut << " of " << whole.size() << " reads as a whole archive";
    if (end.error() == Error::truncated) ++boundaries;
  }
  EXPECT_GT(boundaries, 0u);
  MemoryFileSystem fs;
  fs.put("t.rar", whole);
  auto a = Archive::open(fs, "t.rar");
  ASSERT_TRUE(a.ok());
  Status end;
  names(**a, &end);
  EXPECT_TRUE(end.ok()) << end.toString();
}

TEST(RarHostile, FileCopiesAreCheckedAndBounded) {
  struct Case {
    const char* label;
    uint64_t declaredSize;
    uint32_t declaredCrc;
    Error expected;
  };
  const std::string original = "original data";
  const Case cases[] = {
      {"matching size and checksum", original.size(), fixtures::crcOf(original), Error::none},
      {"checksum of its own empty data", original.size(), 0, Error::none},
      {"smaller size declared", 5, fixtures::crcOf(original), Error::corruptData},
      {"larger size declared", 100, fixtures::crcOf(original), Error::corruptData},
      {"wrong checksum", original.size(), 0x12345678, Error::corruptData},
  };
  for (const Case& c : cases) {
    Bytes b = fixtures::kSig50;
    fixtures::block50(b, fixtures::main50());
    fixtures::file50(b, "dir\\orig", original);
    fixtures::file50(b, "copy", "", "dir\\orig", c.declaredSize, c.declaredCrc);
    fixtures::block50(b, fixtures::end50());
    MemoryFileSystem fs;
    fs.put("c.rar", b);
    auto a = Archive::open(fs, "c.rar");
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE((*a)->readHeader().value());
    ASSERT_TRUE((*a)->skip().ok());
    ASSERT_TRUE((*a)->readHeader().value());
    test::MemorySink sink;
    Status s = (*a)->extract(sink);
    EXPECT_EQ(s.error(), c.expected) << c.label << ": " << s.toString();
    if (c.expected == Error::none) {
      EXPECT_EQ(std::string(sink.bytes.begin(), sink.bytes.end()), original) << c.label;
    }
  }

  // Many copies of one large original: the output limit ends the archive.
  const std::string big(100000, 'z');
  Bytes b = fixtures::kSig50;
  fixtures::block50(b, fixtures::main50());
  fixtures::file50(b, "orig", big);
  for (int i = 0; i < 50; ++i) fixtures::file50(b, "copy" + std::to_string(i), "", "orig", big.size(), fixtures::crcOf(big));
  fixtures::block50(b, fixtures::end50());
  MemoryFileSystem fs;
  fs.put("bomb.rar", b);
  ArchiveOptions o;
  o.maxOutput = 1000000;  // ten copies' worth
  auto a = Archive::open(fs, "bomb.rar", o);
  ASSERT_TRUE(a.ok());
  ExtractReport report;
  Status s = extractAll(**a, fs, "/out", report);
  EXPECT_EQ(s.error(), Error::outputLimit) << s.toString();
  EXPECT_LE(report.files, 10u);
  EXPECT_GE(report.files, 9u);
  EXPECT_EQ(report.problems.size(), 1u) << "the limit is told once";
}

TEST(RarHostile, AFailingMemberNeverDestroysAGoodFile) {
  // "f" extracts, then a second "f" whose data fails its checksum.
  Bytes b = fixtures::kSig50;
  fixtures::block50(b, fixtures::main50());
  fixtures::file50(b, "f", "good");
  Bytes bad;
  fixtures::file50(bad, "f", "evil");
  bad[bad.size() - 1] ^= 1;  // data no longer matches its CRC
  b.insert(b.end(), bad.begin(), bad.end());
  fixtures::block50(b, fixtures::end50());
  MemoryFileSystem fs;
  fs.put("x.rar", b);
  auto a = Archive::open(fs, "x.rar");
  ASSERT_TRUE(a.ok());
  ExtractReport report;
  Status s = extractAll(**a, fs, "/out", report);
  EXPECT_EQ(s.error(), Error::corruptData);
  EXPECT_EQ(fs.get("/out/f"), (Bytes{'g', 'o', 'o', 'd'}));
  EXPECT_EQ(fs.files(), (std::vector<std::string>{"/out/f", "x.rar"})) << "no temporary file is left";
}

// The modification time as the system keeps it. On Windows it is read with
// GetFileTime: the C++ runtime there cannot represent times before 1970.
int64_t WrittenUnixSeconds(const std::string& path) {
#ifdef _WIN32
  std::u16string w = text::utf8ToUtf16(path);
  HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(w.c_str()), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
  FILETIME ft{};
  EXPECT_TRUE(GetFileTime(h, nullptr, nullptr, &ft));
  CloseHandle(h);
  const int64_t ticks = int64_t((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  return ticks / 10000000 - 11644473600LL;
#else
  auto written = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(path));
  return std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count();
#endif
}

TEST(RarHostile, FileTimesOutsideTheClockAreClamped) {
  // A zero FILETIME (1601) and the largest one; times in the clock's range
  // pass unchanged.
  const int64_t lo = clampToFileClock(INT64_MIN), hi = clampToFileClock(INT64_MAX);
  EXPECT_LT(lo, 0);
  EXPECT_GT(hi, int64_t(4102444800));  // past 2100
  EXPECT_EQ(clampToFileClock(1700000000), 1700000000);
  EXPECT_EQ(clampToFileClock(-11644473600LL), std::max<int64_t>(lo, -11644473600LL));

  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("rar_hostile_time_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(dir);
  NativeFileSystem nfs;
  for (int64_t t : {int64_t(-11644473600LL), int64_t(1844674407370LL)}) {
    std::string path = (dir / "t").string();
    auto f = nfs.create(path);
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE((*f)->close().ok());
    ASSERT_TRUE((*f)->setModificationTime(t).ok());
    int64_t secs = WrittenUnixSeconds(path);
    // On the clock's side of 1970 where the time belongs, not wrapped over.
    if (t < 0) {
      EXPECT_LT(secs, 0) << t;
    } else {
      EXPECT_GT(secs, int64_t(4102444800)) << t;
    }
  }
  fs::remove_all(dir);
}

TEST(RarHostile, KeyDerivationIsOneChain) {
  const uint8_t salt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const uint32_t counts[] = {1, 2, 17, 33, 1024, 1040, 1056};
  crypto::Sha256Digest steps[std::size(counts)];
  crypto::pbkdf2Sha256Steps("password", salt, 16, counts, std::size(counts), steps);
  for (size_t i = 0; i < std::size(counts); ++i)
    EXPECT_EQ(test::hex(steps[i]), test::hex(crypto::pbkdf2Sha256("password", salt, 16, counts[i]))) << counts[i];
  // The RAR 5 values from the one chain.
  auto k = crypto::deriveRar5Keys("password", salt, 10);
  EXPECT_EQ(test::hex(k.key), test::hex(crypto::pbkdf2Sha256("password", salt, 16, 1024)));
  EXPECT_EQ(test::hex(k.hashKey), test::hex(crypto::pbkdf2Sha256("password", salt, 16, 1040)));
}

}  // namespace
}  // namespace rar

namespace rar {
namespace {

// Writes the crafted archives above as fuzz seeds when RAR_WRITE_SEEDS names
// a directory (fuzz/corpus/rar_headers); does nothing otherwise.
TEST(RarHostile, WriteFuzzSeeds) {
  const char* dir = std::getenv("RAR_WRITE_SEEDS");
  if (!dir) GTEST_SKIP() << "set RAR_WRITE_SEEDS to write the seeds";
  auto save = [&](const std::string& name, const Bytes& b) {
    std::ofstream out(std::string(dir) + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  };
  Bytes stub = fixtures::craftedStub(64 * 1024, true), a = writerArchive();
  stub.insert(stub.end(), a.begin(), a.end());
  save("hostile-sfx-false-signatures.rar", stub);
  save("hostile-damaged-file-header.rar", twoMembers15([](Bytes& h) { h[3] ^= 0xE0; }));
  Bytes first = fixtures::kSig50;
  fixtures::file50(first, "first", "1");
  fixtures::block50(first, fixtures::end50());
  save("hostile-no-archive-header.rar", first);
  Bytes lying = fixtures::kSig50;
  fixtures::block50(lying, fixtures::main50(0));
  fixtures::file50(lying, "own", "o");
  fixtures::block50(lying, fixtures::end50(0x01));
  save("hostile-end-says-more-volumes.rar", lying);
  Bytes copies = fixtures::kSig50;
  fixtures::block50(copies, fixtures::main50());
  fixtures::file50(copies, "orig", std::string(1000, 'z'));
  for (int i = 0; i < 8; ++i) fixtures::file50(copies, "c" + std::to_string(i), "", "orig", 1000, fixtures::crcOf(std::string(1000, 'z')));
  fixtures::file50(copies, "wrong", "", "orig", 7, 0x12345678);
  fixtures::block50(copies, fixtures::end50());
  save("hostile-file-copies.rar", copies);
  Bytes cut = writerArchive();
  cut.resize(cut.size() - 8);  // without the end block
  save("hostile-rar5-no-end-block.rar", cut);
}

}  // namespace
}  // namespace rar
