// Drives the shared corpus of real RAR archives from its manifest: every
// member must list as the reference lists it, every OK member must extract
// to its digest, every FAIL member and FAIL_AFTER point must fail cleanly.
// Compressed members whose method is not built yet are counted as pending;
// once the decoders exist the same test checks them with no change.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "rar/io/native_fs.h"
#include "rar/read/archive.h"
#include "tests/rar/test_support.h"

namespace rar {
namespace {

struct Row {
  std::string archive, password, member;
  bool isDir = false;
  uint64_t size = 0;
  std::string sha256, result, notes;
  int line = 0;
};

std::vector<Row> readManifest() {
  std::ifstream in(test::corpusDir() + "/manifest.tsv", std::ios::binary);
  std::vector<Row> rows;
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (lineNo == 1) continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, '\t')) f.push_back(cell);
    if (f.size() < 10) continue;
    Row r;
    r.archive = f[0];
    r.password = f[1];
    r.member = f[2];
    r.isDir = f[3] == "1";
    r.size = f[4] == "-" ? 0 : std::stoull(f[4]);
    r.sha256 = f[5];
    r.result = f[8];
    r.notes = f[9];
    r.line = lineNo;
    rows.push_back(r);
  }
  return rows;
}

std::string noteValue(const std::string& notes, const std::string& key) {
  size_t p = notes.find(key + "=");
  if (p == std::string::npos) return {};
  p += key.size() + 1;
  return notes.substr(p, notes.find(' ', p) - p);
}

bool hasWord(const std::string& notes, const std::string& word) {
  std::stringstream ss(notes);
  std::string w;
  while (ss >> w)
    if (w == word) return true;
  return false;
}

struct Tally {
  int ok = 0, pending = 0, failedAsExpected = 0, failing = 0;
};

// Checks one archive; failures are reported through gtest with the line.
void checkArchive(const std::vector<Row>& rows, Tally& tally) {
  NativeFileSystem fs;
  const std::string path = test::corpusDir() + "/" + rows.front().archive;
  ArchiveOptions options;
  for (const auto& r : rows)
    if (r.password != "-") {
      options.password = Password::fromUtf8(r.password);
      break;
    }
  auto opened = Archive::open(fs, path, options);
  if (!opened) {
    // The reference failed at opening or at the first header; failing to
    // open is as clean as it gets for a damaged archive header.
    bool expected = rows.front().result.find("@open") != std::string::npos ||
                    rows.front().result.find("@header#0") != std::string::npos;
    EXPECT_TRUE(expected) << rows.front().archive << ": open failed: " << opened.status().toString();
    if (expected) ++tally.failedAsExpected; else ++tally.failing;
    return;
  }
  Archive& a = **opened;
  for (const Row& row : rows) {
    SCOPED_TRACE("manifest line " + std::to_string(row.line) + ": " + row.archive + " / " + row.member);
    if (row.result == "OK_EMPTY_ARCHIVE") {
      auto h = a.readHeader();
      EXPECT_TRUE(h.ok() && !*h) << "expected an empty archive";
      continue;
    }
    if (row.result.rfind("FAIL_AFTER:", 0) == 0) {
      // The reference stopped here. A failed member before it already ended
      // the archive for us or not; anything is fine but a crash or a member
      // reported where the reference saw a broken header.
      if (row.result.find("@header#") != std::string::npos) {
        auto h = a.readHeader();
        EXPECT_TRUE(!h.ok() || !*h) << "a member was reported past the damaged point: " << a.member().name;
        if (!h.ok() || !*h) ++tally.failedAsExpected; else ++tally.failing;
      }
      return;
    }
    if (row.password != "-") a.setPassword(Password::fromUtf8(row.password));
    auto h = a.readHeader();
    ASSERT_TRUE(h.ok()) << "header: " << h.status().toString();
    ASSERT_TRUE(*h) << "archive ended early";
    const MemberInfo& m = a.member();
    std::string rawHex = noteValue(row.notes, "raw_name_hex");
    if (!rawHex.empty()) {
      std::string stored = m.storedName;
      for (char& c : stored)
        if (c == '\\') c = '/';
      EXPECT_EQ(test::hex(stored), rawHex);
    } else {
      EXPECT_EQ(m.name, row.member);
    }
    EXPECT_EQ(m.isDirectory, row.isDir);
    if (!row.isDir && row.result != "OK_NODATA") {
      EXPECT_EQ(m.unpackedSize, row.size);
    }

    test::Sha256Sink sink;
    Status s = a.extract(sink);
    const bool stored = hasWord(row.notes, "m0");
    if (m.headerDamaged) {
      // The reference extracts a member whose header fails its checksum
      // when its data checksum matches; we refuse it, since the header
      // decides whether there is data at all (and what it is).
      EXPECT_EQ(s.error(), Error::corruptHeader) << s.toString();
      EXPECT_EQ(sink.size(), 0u);
      if (s.error() == Error::corruptHeader) ++tally.failedAsExpected; else ++tally.failing;
      continue;
    }
    if (row.result == "OK") {
      if (!s && s.error() == Error::unsupported && !stored) {
        ++tally.pending;
        continue;
      }
      EXPECT_TRUE(s.ok()) << s.toString();
      if (!row.isDir) {
        EXPECT_EQ(sink.size(), row.size);
        EXPECT_EQ(sink.digest(), row.sha256);
      }
      if (s.ok()) ++tally.ok; else ++tally.failing;
    } else if (row.result == "OK_NODATA") {
      EXPECT_NE(m.link, LinkKind::none) << "a link was expected";
      EXPECT_TRUE(s.ok()) << s.toString();
      EXPECT_EQ(sink.size(), 0u);
      if (s.ok()) ++tally.ok; else ++tally.failing;
    } else {  // FAIL:<reason>
      EXPECT_FALSE(s.ok()) << "a damaged member was extracted as good";
      if (!s && s.error() == Error::unsupported && !stored) ++tally.pending;
      else if (!s) ++tally.failedAsExpected;
      else ++tally.failing;
    }
  }
  // No more members than the reference saw.
  auto h = a.readHeader();
  EXPECT_TRUE(h.ok() && !*h) << rows.front().archive << ": more members or an error at the end: "
                             << (h.ok() ? a.member().name : h.status().toString());
}

TEST(RarCorpus, EveryArchiveMatchesTheManifest) {
  auto rows = readManifest();
  ASSERT_FALSE(rows.empty()) << "manifest not found under " << test::corpusDir();
  std::vector<std::vector<Row>> archives;
  for (const auto& r : rows) {
    if (archives.empty() || archives.back().front().archive != r.archive) archives.emplace_back();
    archives.back().push_back(r);
  }
  Tally tally;
  for (const auto& rs : archives) {
    SCOPED_TRACE(rs.front().archive);
    checkArchive(rs, tally);
  }
  std::printf("corpus: %zu archives; members OK %d, failed as expected %d, waiting for decompression %d, wrong %d\n",
              archives.size(), tally.ok, tally.failedAsExpected, tally.pending, tally.failing);
}

}  // namespace
}  // namespace rar
