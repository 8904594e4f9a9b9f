// Whole-archive extraction: hostile member names built with the writer are
// refused and reported, the rest is extracted, nothing lands outside the
// destination and no link is created.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "rar/extract/extract_all.h"
#include "rar/extract/safe_path.h"
#include "rar/io/memory_fs.h"
#include "rar/io/native_fs.h"
#include "rar/write/writer.h"
#include "tests/rar/test_support.h"

namespace rar {
namespace {

struct NameCase {
  const char* name;
  const char* safe;  // nullptr: refused
};

const NameCase kNames[] = {
    {"a.txt", "a.txt"},
    {"dir/sub/a.txt", "dir/sub/a.txt"},
    {"dir\\sub\\a.txt", "dir/sub/a.txt"},
    {"./a.txt", "a.txt"},
    {"dir//a.txt", "dir/a.txt"},
    {"a..b.txt", "a..b.txt"},
    {"..a", "..a"},
    {"\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82/\xe6\x96\x87.txt", "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82/\xe6\x96\x87.txt"},
    {"../evil.txt", nullptr},
    {"..\\evil.txt", nullptr},
    {"dir/../../evil.txt", nullptr},
    {"dir/..", nullptr},
    {"..", nullptr},
    {".. /evil", nullptr},
    {"dir/. ./evil", nullptr},
    {"/etc/passwd", nullptr},
    {"\\Windows\\evil.dll", nullptr},
    {"//server/share/evil", nullptr},
    {"C:evil.txt", nullptr},
    {"C:\\Windows\\evil.dll", nullptr},
    {"c:/evil", nullptr},
    {"file.txt:stream", nullptr},
    {"file.txt:stream:$DATA", nullptr},
    {"dir/a:b:c", nullptr},
    {"CON", nullptr},
    {"con.txt", nullptr},
    {"dir/NUL", nullptr},
    {"dir/nul.tar.gz", nullptr},
    {"COM1", nullptr},
    {"lpt9.log", nullptr},
    {"AUX ", nullptr},
    {"prn.", nullptr},
    {"CONOUT$", nullptr},
    {"COM10", "COM10"},
    {"console.txt", "console.txt"},
    {"", nullptr},
    {"/", nullptr},
    {"./", nullptr},
};

TEST(RarSafePath, Table) {
  for (size_t i = 0; i < std::size(kNames); ++i) {
    const NameCase& c = kNames[i];
    auto r = safeRelativePath(c.name);
    if (c.safe) {
      EXPECT_TRUE(r.ok()) << "i: " << i << ", input: '" << c.name << "': " << r.status().toString();
      if (r) {
        EXPECT_EQ(*r, c.safe) << "i: " << i << ", input: '" << c.name << "'";
      }
    } else {
      EXPECT_EQ(r.status().error(), Error::unsafePath) << "i: " << i << ", input: '" << c.name << "' accepted as '"
                                                      << (r ? *r : "") << "'";
    }
  }
}

TEST(RarExtractAll, RefusesHostileNamesAndExtractsTheRest) {
  // In RAR 5 a backslash is an ordinary character (read back as '_'), so
  // the archive gets the names with '/' only.
  MemoryFileSystem fs;
  auto w = Writer::create(fs, "hostile.rar");
  ASSERT_TRUE(w.ok());
  std::map<std::string, std::string> expected;  // path -> content (last writer wins)
  size_t refused = 0;
  for (const NameCase& c : kNames) {
    std::string name = c.name;
    if (name.empty() || name.find('\\') != std::string::npos) continue;
    ASSERT_TRUE((*w)->addBytes(name, "data of " + name).ok()) << name;
    if (c.safe) expected["/dest/" + std::string(c.safe)] = "data of " + name;
    else ++refused;
  }
  ASSERT_TRUE((*w)->finish().ok());

  auto a = Archive::open(fs, "hostile.rar");
  ASSERT_TRUE(a.ok());
  ExtractReport report;
  Status s = extractAll(**a, fs, "/dest", report);
  EXPECT_EQ(s.error(), Error::unsafePath) << "the first refusal is the result: " << s.toString();
  EXPECT_EQ(report.problems.size(), refused);
  for (const auto& p : report.problems) EXPECT_EQ(p.status.error(), Error::unsafePath) << p.member;
  std::map<std::string, std::string> actual;
  for (const auto& f : fs.files()) {
    if (f == "hostile.rar") continue;
    auto bytes = fs.get(f);
    actual[f] = std::string(bytes.begin(), bytes.end());
  }
  EXPECT_EQ(actual, expected) << "nothing may land outside /dest";
}

TEST(RarExtractAll, LinksAreReportedNotCreated) {
  // Archives from the corpus with Unix symbolic links (RAR 3 and RAR 5).
  const char* archives[] = {"rarfile/rar3-symlink-unix.rar", "rarfile/rar5-symlink-unix.rar"};
  for (const char* name : archives) {
    NativeFileSystem in;
    MemoryFileSystem out;
    auto a = Archive::open(in, test::corpusDir() + "/" + name);
    ASSERT_TRUE(a.ok()) << name;
    ExtractReport report;
    Status s = extractAll(**a, out, "/dest", report);
    EXPECT_TRUE(s.ok()) << name << ": " << s.toString();
    EXPECT_EQ(report.linksNotCreated, 2u) << name;
    EXPECT_EQ(report.files, 1u) << name;
    EXPECT_EQ(out.files(), std::vector<std::string>{"/dest/data.txt"}) << name;
  }
}

}  // namespace
}  // namespace rar
