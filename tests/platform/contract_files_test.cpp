// File system behaviour the engine relies on, identical on every backend.

#include <functional>

#include "tests/platform/contract.h"

namespace platform::testing {
namespace {

using Files = Contract;

std::string read(FileSystem& fs, const std::string& path) {
  auto data = readWholeFile(fs, path);
  return data ? *data : "<" + data.status().toString() + ">";
}

TEST_P(Files, WriteThenReadBack) {
  ASSERT_TRUE(writeWholeFile(fs(), at("a.txt"), "hello").ok());
  EXPECT_EQ(read(fs(), at("a.txt")), "hello");
  auto info = fs().stat(at("a.txt"));
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info->size, 5u);
  EXPECT_FALSE(info->isDirectory());
  EXPECT_TRUE(fs().fileExists(at("a.txt")));
  EXPECT_FALSE(fs().directoryExists(at("a.txt")));
  // createAlways truncates.
  ASSERT_TRUE(writeWholeFile(fs(), at("a.txt"), "hi").ok());
  EXPECT_EQ(read(fs(), at("a.txt")), "hi");
}

TEST_P(Files, ReadWriteSeekAndSize) {
  ASSERT_TRUE(writeWholeFile(fs(), at("rw.bin"), "abcdef").ok());
  auto file = fs().open(at("rw.bin"), OpenMode::readWrite);
  ASSERT_TRUE(file.ok()) << file.status().toString();
  ASSERT_TRUE((*file)->seek(2).ok());
  ASSERT_TRUE((*file)->write("XY", 2).ok());
  ASSERT_TRUE((*file)->seek(8).ok());
  ASSERT_TRUE((*file)->write("Z", 1).ok());
  auto size = (*file)->size();
  ASSERT_TRUE(size.ok());
  EXPECT_EQ(*size, 9u);
  ASSERT_TRUE((*file)->close().ok());
  EXPECT_EQ(read(fs(), at("rw.bin")), std::string("abXYef\0\0Z", 9));
}

TEST_P(Files, NamesIgnoreCaseAndKeepIt) {
  const std::string names[] = {"MixedCase.TXT", "Файл Данных.txt"};
  const std::string other[] = {"mixedcase.txt", "фАЙЛ ДАННЫХ.TXT"};
  for (size_t i = 0; i < std::size(names); ++i) {
    SCOPED_TRACE(names[i]);
    ASSERT_TRUE(writeWholeFile(fs(), at(names[i]), "x").ok());
    EXPECT_TRUE(fs().fileExists(at(other[i])));
    EXPECT_EQ(read(fs(), at(other[i])), "x");
    // Writing through the other spelling keeps the stored one.
    ASSERT_TRUE(writeWholeFile(fs(), at(other[i]), "y").ok());
  }
  EXPECT_EQ(listed(machine_->scratch(), "*"), (std::vector<std::string>{"MixedCase.TXT", "Файл Данных.txt"}));
}

TEST_P(Files, PathSpellings) {
  ASSERT_TRUE(fs().createDirectory(at("sub")).ok());
  ASSERT_TRUE(writeWholeFile(fs(), at("sub\\f.txt"), "data").ok());
  const std::string spellings[] = {
      at("sub\\f.txt"), machine_->scratch() + "/sub/f.txt", machine_->scratch() + "\\sub\\\\f.txt",
      at("sub\\..\\sub\\.\\f.txt"), at("SUB\\F.TXT"),
  };
  for (const std::string& path : spellings) EXPECT_EQ(read(fs(), path), "data") << path;
}

TEST_P(Files, MissingFilesAndDirectories) {
  struct Case {
    std::string path;
    OpenMode mode;
    Code expected;
  } cases[] = {
      {at("none.txt"), OpenMode::read, Code::notFound},
      {at("none.txt"), OpenMode::readWrite, Code::notFound},
      {at("nodir\\none.txt"), OpenMode::read, Code::pathNotFound},
      {at("nodir\\none.txt"), OpenMode::createAlways, Code::pathNotFound},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    auto file = fs().open(cases[i].path, cases[i].mode);
    EXPECT_EQ(file.status().code(), cases[i].expected) << "case " << i << " " << cases[i].path << ": "
                                                       << file.status().toString();
  }
  EXPECT_EQ(fs().stat(at("none.txt")).status().code(), Code::notFound);
  EXPECT_EQ(fs().stat(at("nodir\\none.txt")).status().code(), Code::pathNotFound);
  EXPECT_EQ(fs().removeFile(at("none.txt")).code(), Code::notFound);
  EXPECT_EQ(fs().fileAge(at("none.txt")).status().code(), Code::notFound);
  EXPECT_EQ(fs().versionInfo(at("none.txt")).status().code(), Code::notFound);
}

TEST_P(Files, ReadOnlyRefusesChanges) {
  ASSERT_TRUE(writeWholeFile(fs(), at("ro.txt"), "keep").ok());
  ASSERT_TRUE(writeWholeFile(fs(), at("other.txt"), "other").ok());
  ASSERT_TRUE(fs().setAttributes(at("ro.txt"), attr::readOnly).ok());
  auto info = fs().stat(at("ro.txt"));
  ASSERT_TRUE(info.ok());
  EXPECT_TRUE(info->attributes & attr::readOnly);
  EXPECT_EQ(fs().open(at("ro.txt"), OpenMode::createAlways).status().code(), Code::accessDenied);
  EXPECT_EQ(fs().open(at("ro.txt"), OpenMode::readWrite).status().code(), Code::accessDenied);
  EXPECT_EQ(fs().removeFile(at("ro.txt")).code(), Code::accessDenied);
  EXPECT_EQ(fs().copyFile(at("other.txt"), at("ro.txt"), false).code(), Code::accessDenied);
  EXPECT_EQ(read(fs(), at("ro.txt")), "keep");
  // Renaming does not change the file, and Windows allows it.
  EXPECT_TRUE(fs().rename(at("ro.txt"), at("ro2.txt")).ok());
  // A copy takes the attribute along.
  ASSERT_TRUE(fs().copyFile(at("ro2.txt"), at("copy.txt"), true).ok());
  info = fs().stat(at("copy.txt"));
  ASSERT_TRUE(info.ok());
  EXPECT_TRUE(info->attributes & attr::readOnly);
  for (const char* name : {"ro2.txt", "copy.txt"}) {
    ASSERT_TRUE(fs().setAttributes(at(name), attr::normal).ok());
    EXPECT_TRUE(fs().removeFile(at(name)).ok()) << name;
  }
}

TEST_P(Files, DirectoryRules) {
  EXPECT_TRUE(fs().createDirectory(at("d")).ok());
  EXPECT_TRUE(fs().directoryExists(at("d")));
  EXPECT_FALSE(fs().fileExists(at("d")));
  EXPECT_EQ(fs().createDirectory(at("d")).code(), Code::alreadyExists);
  EXPECT_EQ(fs().createDirectory(at("x\\y")).code(), Code::pathNotFound);
  ASSERT_TRUE(writeWholeFile(fs(), at("d\\f"), "1").ok());
  EXPECT_EQ(fs().createDirectory(at("d\\f")).code(), Code::alreadyExists);
  EXPECT_EQ(fs().removeDirectory(at("d")).code(), Code::notEmpty);
  EXPECT_EQ(fs().open(at("d"), OpenMode::read).status().code(), Code::accessDenied);
  EXPECT_EQ(fs().open(at("d"), OpenMode::createAlways).status().code(), Code::accessDenied);
  EXPECT_EQ(fs().removeFile(at("d")).code(), Code::accessDenied);
  EXPECT_EQ(fs().removeDirectory(at("d\\f")).code(), Code::invalidArgument);
  ASSERT_TRUE(fs().removeFile(at("d\\f")).ok());
  EXPECT_TRUE(fs().removeDirectory(at("d")).ok());
  EXPECT_EQ(fs().removeDirectory(at("d")).code(), Code::notFound);
  EXPECT_FALSE(fs().exists(at("d")));
}

// The directory steps name levels as "C:" (a drive without its root) and
// with or without a trailing backslash; a drive root cannot be removed,
// which is where removing emptied parents stops.
TEST_P(Files, DirectoryLevelSpellings) {
  const std::string drive = machine_->scratch().substr(0, 2);
  EXPECT_TRUE(fs().directoryExists(drive)) << drive;
  EXPECT_TRUE(fs().directoryExists(drive + "\\"));
  EXPECT_FALSE(fs().removeDirectory(drive).ok());
  EXPECT_FALSE(fs().removeDirectory(drive + "\\").ok());
  ASSERT_TRUE(fs().createDirectory(at("t\\")).ok());
  EXPECT_TRUE(fs().directoryExists(at("t")));
  EXPECT_TRUE(fs().directoryExists(at("t\\")));
  ASSERT_TRUE(fs().createDirectory(at("t\\u")).ok());
  EXPECT_TRUE(fs().removeDirectory(at("t\\u\\")).ok());
  EXPECT_TRUE(fs().removeDirectory(at("t")).ok());
  EXPECT_FALSE(fs().exists(at("t")));
  // A file stands in the way of a directory of its name.
  ASSERT_TRUE(writeWholeFile(fs(), at("f"), "1").ok());
  EXPECT_FALSE(fs().directoryExists(at("f")));
  EXPECT_FALSE(fs().createDirectory(at("f")).ok());
}

TEST_P(Files, RenameRules) {
  ASSERT_TRUE(writeWholeFile(fs(), at("a"), "A").ok());
  ASSERT_TRUE(writeWholeFile(fs(), at("b"), "B").ok());
  EXPECT_EQ(fs().rename(at("a"), at("b")).code(), Code::alreadyExists);
  EXPECT_EQ(fs().rename(at("none"), at("c")).code(), Code::notFound);
  EXPECT_EQ(fs().rename(at("a"), at("nodir\\c")).code(), Code::pathNotFound);
  ASSERT_TRUE(fs().rename(at("a"), at("c")).ok());
  EXPECT_FALSE(fs().exists(at("a")));
  EXPECT_EQ(read(fs(), at("c")), "A");
  // A change of case only is a rename to the same entry. (Windows then
  // keeps the new spelling, Wine the old one.)
  ASSERT_TRUE(fs().rename(at("c"), at("C")).ok());
  EXPECT_EQ(read(fs(), at("c")), "A");
  // Directories move with their contents.
  ASSERT_TRUE(fs().createDirectory(at("dir")).ok());
  ASSERT_TRUE(fs().rename(at("b"), at("dir\\b")).ok());
  ASSERT_TRUE(fs().rename(at("dir"), at("dir2")).ok());
  EXPECT_EQ(read(fs(), at("dir2\\b")), "B");
}

TEST_P(Files, CopyKeepsContentAndWriteTime) {
  ASSERT_TRUE(writeWholeFile(fs(), at("src"), "payload").ok());
  const FileTime when = dosToFileTime(0x50B16B2F);  // 2020-05-17 13:25:30
  ASSERT_TRUE(fs().setWriteTime(at("src"), when).ok());
  ASSERT_TRUE(fs().copyFile(at("src"), at("dst"), true).ok());
  EXPECT_EQ(read(fs(), at("dst")), "payload");
  auto info = fs().stat(at("dst"));
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info->writeTime, when);
  EXPECT_EQ(fs().copyFile(at("src"), at("dst"), true).code(), Code::alreadyExists);
  ASSERT_TRUE(writeWholeFile(fs(), at("src"), "new").ok());
  EXPECT_TRUE(fs().copyFile(at("src"), at("dst"), false).ok());
  EXPECT_EQ(read(fs(), at("dst")), "new");
  EXPECT_EQ(fs().copyFile(at("none"), at("x"), false).code(), Code::notFound);
  EXPECT_EQ(fs().copyFile(at("src"), at("nodir\\x"), false).code(), Code::pathNotFound);
}

TEST_P(Files, OpenHandlesShareLikeWindows) {
  ASSERT_TRUE(writeWholeFile(fs(), at("f"), "x").ok());
  {
    auto reader1 = fs().open(at("f"), OpenMode::read);
    auto reader2 = fs().open(at("f"), OpenMode::read);
    ASSERT_TRUE(reader1.ok() && reader2.ok());
    EXPECT_EQ(fs().open(at("f"), OpenMode::readWrite).status().code(), Code::sharingViolation);
    EXPECT_EQ(fs().open(at("f"), OpenMode::createAlways).status().code(), Code::sharingViolation);
    EXPECT_EQ(fs().removeFile(at("f")).code(), Code::sharingViolation);
    EXPECT_EQ(fs().rename(at("f"), at("g")).code(), Code::sharingViolation);
  }
  {
    auto writer = fs().open(at("f"), OpenMode::readWrite);
    ASSERT_TRUE(writer.ok());
    EXPECT_EQ(fs().open(at("f"), OpenMode::read).status().code(), Code::sharingViolation);
  }
  EXPECT_TRUE(fs().removeFile(at("f")).ok());
}

TEST_P(Files, ListPatterns) {
  for (const char* name : {"a.txt", "b.TXT", "c.dat", "abc.txt", "noext"})
    ASSERT_TRUE(writeWholeFile(fs(), at(name), "").ok()) << name;
  ASSERT_TRUE(fs().createDirectory(at("sub")).ok());
  using Names = std::vector<std::string>;
  struct Case {
    const char* pattern;
    Names expected;
  } cases[] = {
      {"*", {"a.txt", "abc.txt", "b.TXT", "c.dat", "noext", "sub"}},
      {"*.*", {"a.txt", "abc.txt", "b.TXT", "c.dat", "noext", "sub"}},
      {"*.txt", {"a.txt", "abc.txt", "b.TXT"}},
      {"?.txt", {"a.txt", "b.TXT"}},
      {"A*", {"a.txt", "abc.txt"}},
      {"*.DAT", {"c.dat"}},
      {"s?b", {"sub"}},
      {"zz*", {}},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(listed(machine_->scratch(), cases[i].pattern), cases[i].expected) << "case " << i << " " << cases[i].pattern;
  auto entries = fs().list(machine_->scratch(), "sub");
  ASSERT_TRUE(entries.ok());
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_TRUE((*entries)[0].info.isDirectory());
  EXPECT_EQ(fs().list(at("nodir"), "*").status().code(), Code::pathNotFound);
}

TEST_P(Files, TempNames) {
  auto tempDir = fs().tempPath();
  ASSERT_TRUE(tempDir.ok());
  ASSERT_FALSE(tempDir->empty());
  EXPECT_EQ(tempDir->back(), '\\');
  EXPECT_TRUE(fs().directoryExists(*tempDir)) << *tempDir;

  auto first = fs().tempFileName(machine_->scratch(), "Insxyz", 0);
  auto second = fs().tempFileName(machine_->scratch(), "Insxyz", 0);
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_NE(text::upper1251(*first), text::upper1251(*second));
  for (const std::string& name : {*first, *second}) {
    EXPECT_TRUE(fs().fileExists(name)) << name;
    const std::string upper = text::upper1251(name);
    EXPECT_TRUE(upper.starts_with(text::upper1251(at("INS")))) << name;
    EXPECT_TRUE(upper.ends_with(".TMP")) << name;
    const std::string number = upper.substr(at("INS").size(), upper.size() - at("INS").size() - 4);
    EXPECT_FALSE(number.empty());
    EXPECT_EQ(number.find_first_not_of("0123456789ABCDEF"), std::string::npos) << name;
  }
  auto formed = fs().tempFileName(machine_->scratch(), "Ins", 0x1A2B);
  ASSERT_TRUE(formed.ok());
  EXPECT_TRUE(text::equalsNoCase1251(*formed, at("Ins1A2B.TMP"))) << *formed;
  EXPECT_FALSE(fs().exists(*formed));
  // Only the low 16 bits of the number count; a trailing backslash on the
  // directory changes nothing.
  auto wide = fs().tempFileName(machine_->scratch() + "\\", "Install", 0x1FFFF);
  ASSERT_TRUE(wide.ok());
  EXPECT_TRUE(text::equalsNoCase1251(*wide, at("InsFFFF.TMP"))) << *wide;
  EXPECT_FALSE(fs().tempFileName(at("nodir"), "Ins", 0).ok());
}

TEST_P(Files, ShortPaths) {
  ASSERT_TRUE(fs().createDirectory(at("Long Directory Name")).ok());
  const std::string longFile = at("Long Directory Name\\long file name.text");
  ASSERT_TRUE(writeWholeFile(fs(), longFile, "long").ok());
  ASSERT_TRUE(writeWholeFile(fs(), at("Short.txt"), "short").ok());
  auto shortened = fs().shortPath(longFile);
  ASSERT_TRUE(shortened.ok()) << shortened.status().toString();
  EXPECT_EQ(read(fs(), *shortened), "long") << *shortened;
  // Every name below the scratch directory is 8.3.
  const std::string tail = shortened->substr(shortened->find_last_of('\\') + 1);
  EXPECT_LE(tail.size(), 12u) << *shortened;
  EXPECT_EQ(tail.find(' '), std::string::npos) << *shortened;
  auto kept = fs().shortPath(at("Short.txt"));
  ASSERT_TRUE(kept.ok());
  EXPECT_TRUE(text::equalsNoCase1251(kept->substr(kept->find_last_of('\\') + 1), "Short.txt")) << *kept;
  EXPECT_FALSE(fs().shortPath(at("none.txt")).ok());
}

TEST_P(Files, DosAgeRoundTrip) {
  ASSERT_TRUE(writeWholeFile(fs(), at("f"), "x").ok());
  const DosDateTime ages[] = {
      0x50B16B2F,  // 2020-05-17 13:25:30
      0x00210000,  // 1980-01-01 00:00:00
      0x2C9C0000 | (23u << 11) | (59u << 5) | 29u,  // 2002-04-28 23:59:58
  };
  for (DosDateTime age : ages) {
    ASSERT_TRUE(fs().setFileAge(at("f"), age).ok());
    auto back = fs().fileAge(at("f"));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, age) << std::hex << age;
  }
}

// DOS ages are local time, write times UTC: with a zone ahead of UTC the
// stored time is earlier by the zone's offset.
TEST_P(Files, LocalAgesAreStoredAsUtc) {
  const int offset = machine_->utcOffsetMinutes();
  ASSERT_NE(offset, 0) << "the test machine must not run on UTC, or the zone is not seen";
  ASSERT_TRUE(writeWholeFile(fs(), at("f"), "x").ok());
  const DosDateTime noonLocal = 0x50B16000;  // 2020-05-17 12:00:00
  ASSERT_TRUE(fs().setFileAge(at("f"), noonLocal).ok());
  EXPECT_EQ(*fs().fileAge(at("f")), noonLocal);
  const FileTime utc = dosToFileTime(noonLocal) - static_cast<FileTime>(offset) * 60 * 10000000;
  EXPECT_EQ(fs().stat(at("f"))->writeTime, utc);
  // And back: a UTC write time reads as local age.
  ASSERT_TRUE(fs().setWriteTime(at("f"), dosToFileTime(noonLocal)).ok());
  EXPECT_EQ(*fs().fileAge(at("f")), fileTimeToDos(dosToFileTime(noonLocal) + static_cast<FileTime>(offset) * 60 * 10000000));
}

TEST_P(Files, WriteTimeRoundTrip) {
  ASSERT_TRUE(writeWholeFile(fs(), at("f"), "x").ok());
  const FileTime when = 132000000000000000ull;  // 2019-04-18, whole seconds
  ASSERT_TRUE(fs().setWriteTime(at("f"), when).ok());
  auto info = fs().stat(at("f"));
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info->writeTime, when);
}

TEST_P(Files, Drives) {
  const uint32_t drives = fs().logicalDrives();
  EXPECT_TRUE(drives & (1u << 2)) << "C: is missing";
  EXPECT_EQ(fs().driveType("C:\\"), DriveType::fixed);
  EXPECT_EQ(fs().driveType("c:\\"), DriveType::fixed);
  EXPECT_EQ(fs().driveType(machine_->scratch() + "\\"), DriveType::noRootDir) << "not a root";
  auto space = fs().diskFreeSpace("C:\\");
  ASSERT_TRUE(space.ok());
  EXPECT_GT(space->bytesPerSector, 0u);
  EXPECT_GT(space->sectorsPerCluster, 0u);
  EXPECT_GT(space->totalClusters, 0u);
  for (int letter = 25; letter > 2; --letter) {
    if (drives & (1u << letter)) continue;
    const std::string root = std::string(1, static_cast<char>('A' + letter)) + ":\\";
    EXPECT_EQ(fs().driveType(root), DriveType::noRootDir) << root;
    EXPECT_FALSE(fs().diskFreeSpace(root).ok()) << root;
    break;
  }
}

TEST_P(Files, PlainFileHasNoVersion) {
  ASSERT_TRUE(writeWholeFile(fs(), at("plain.dll"), "not an executable").ok());
  auto version = fs().versionInfo(at("plain.dll"));
  ASSERT_TRUE(version.ok()) << version.status().toString();
  EXPECT_FALSE(version->present);
  EXPECT_EQ(version->text(), "");
}

TEST_P(Files, ErrorCodesOfOddRequests) {
  ASSERT_TRUE(writeWholeFile(fs(), at("file.txt"), "x").ok());
  ASSERT_TRUE(fs().createDirectory(at("dir")).ok());
  struct Case {
    const char* what;
    std::function<Status()> run;
    Code expected;
  } cases[] = {
      {"stat with a wildcard", [&] { return fs().stat(at("f*.txt")).status(); }, Code::invalidArgument},
      {"create with a bad character", [&] { return fs().open(at("a|b"), OpenMode::createAlways).status(); }, Code::invalidArgument},
      {"stat below a file", [&] { return fs().stat(at("file.txt\\x")).status(); }, Code::pathNotFound},
      {"attributes of a missing file", [&] { return fs().setAttributes(at("none"), attr::normal); }, Code::notFound},
      {"write time of a missing file", [&] { return fs().setWriteTime(at("none"), 0x01D0000000000000ull); }, Code::notFound},
      {"age of a missing file", [&] { return fs().setFileAge(at("none"), 0x50B16B2F); }, Code::notFound},
      {"age of a directory", [&] { return fs().fileAge(at("dir")).status(); }, Code::notFound},
      {"list a file", [&] { return fs().list(at("file.txt"), "*").status(); }, Code::pathNotFound},
      {"short name of a missing file", [&] { return fs().shortPath(at("none")).status(); }, Code::notFound},
      {"copy a directory", [&] { return fs().copyFile(at("dir"), at("dir2"), true); }, Code::accessDenied},
      {"rename onto a directory", [&] { return fs().rename(at("file.txt"), at("dir")); }, Code::alreadyExists},
      {"create the root", [&] { return fs().createDirectory("C:\\"); }, Code::alreadyExists},
      {"temp file in a missing directory", [&] { return fs().tempFileName(at("none"), "Ins", 0).status(); }, Code::pathNotFound},
  };
  for (const Case& c : cases) {
    const Status s = c.run();
    EXPECT_EQ(codeName(s.code()), codeName(c.expected)) << c.what << ": " << s.toString();
  }
  // Windows drops trailing dots and spaces of a name.
  EXPECT_TRUE(fs().fileExists(at("file.txt.")));
  EXPECT_TRUE(fs().fileExists(at("file.txt ")));
}

INSTANTIATE_TEST_SUITE_P(Backends, Files, ::testing::ValuesIn(contractBackends()), backendName);

}  // namespace
}  // namespace platform::testing
