// The member index answers exactly as the file table's linear lookup.

#include <gtest/gtest.h>

#include "archive/member_index.h"

namespace archive {
namespace {

TEST(MemberIndex, AnswersAsTheLinearLookup) {
  startup::SetupDataModel m;
  // Duplicates in other cases, names with a directory (never matched),
  // Cyrillic names in both cases, an empty name.
  for (const char* name : {"app.exe", "APP.EXE", "lib.dll", "sub\\x.dll", "Файл.txt", "ФАЙЛ.TXT", "", "x.dll", "a:b"}) {
    startup::FileItem f;
    f.ArchiveName = name;
    m.FilesData.push_back(f);
  }
  const MemberIndex index(m.FilesData);
  for (const char* query : {"app.exe", "dir\\App.Exe", "C:App.exe", "LIB.DLL", "sub\\x.dll", "x.dll", "файл.TXT",
                            "", "dir\\", "missing", "a:b", "b"}) {
    EXPECT_EQ(index.find(query), m.FindFileItem(query, true)) << query;
  }
}

}  // namespace
}  // namespace archive
