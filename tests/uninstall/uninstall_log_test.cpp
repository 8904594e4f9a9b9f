// Reading an uninstall log back.

#include <gtest/gtest.h>

#include "uninstall/uninstall_log.h"

namespace uninstall {
namespace {

TEST(UninstallLog, ReadsEveryKindTheEngineWrites) {
  std::string bytes =
      "Uninstall information storage. Version 2.\r\n"
      "Демо 1.0\r\n"
      "Dir=C:\\App\r\n"
      "File=C:\\App\\a.exe\r\n"
      "RegSharedIncrement=C:\\WINDOWS\\SYSTEM32\\s.dll\r\n"
      "RegCreateKey=Software\\X,2147483649\r\n"
      "RegOldValue=Name,S,old\r\n"
      "RegWriteValue=Name\r\n"
      "UseBDE\r\n"
      "RegEntry=Demo\r\n"
      "ShellFolder=C:\\Menu\\Demo\r\n"
      "ShellLink=C:\\Menu\\Demo\\Демо.lnk\r\n"
      "OCX=C:\\App\\c.ocx\r\n"
      "Error (OCX=C:\\App\\d.ocx), code RegFail\r\n"
      "TLB=C:\\App\\t.tlb\r\n"
      "Error (TLB=C:\\App\\u.tlb), code OleError\r\n";
  auto r = ParseUninstallLog(bytes);
  ASSERT_TRUE(r.log) << r.error;
  EXPECT_EQ(r.log->title, "Демо 1.0");
  std::vector<LineKind> kinds;
  for (const auto& l : r.log->lines) kinds.push_back(l.kind);
  EXPECT_EQ(kinds, (std::vector<LineKind>{LineKind::dir, LineKind::file, LineKind::sharedIncrement,
                                          LineKind::regCreateKey, LineKind::regOldValue, LineKind::regWriteValue,
                                          LineKind::useBde, LineKind::regEntry, LineKind::shellFolder,
                                          LineKind::shellLink, LineKind::ocx, LineKind::failedRegistration,
                                          LineKind::tlb, LineKind::failedRegistration}));
  EXPECT_EQ(r.log->lines[1].value, "C:\\App\\a.exe");
  EXPECT_EQ(r.log->lines[1].number, 4u);
}

TEST(UninstallLog, RefusesOtherFiles) {
  for (std::string bytes : {std::string(), std::string("[Main]\r\nTitle=x\r\n"),
                            std::string("Uninstall information storage. Version 1.\r\nx\r\n"),
                            std::string("\xEF\xBB\xBFUninstall information storage. Version 2.\r\n")}) {
    auto r = ParseUninstallLog(bytes);
    EXPECT_FALSE(r.log) << bytes;
    EXPECT_NE(r.error.find("Uninstall information storage. Version 2."), std::string::npos);
  }
}

TEST(UninstallLog, OldValues) {
  EXPECT_EQ(ParseOldValue("S,a,b"), platform::Value::text("a,b"));
  EXPECT_EQ(ParseOldValue("S,"), platform::Value::text(""));
  EXPECT_EQ(ParseOldValue("D,-5"), platform::Value::dword(static_cast<uint32_t>(-5)));
  EXPECT_EQ(ParseOldValue("B,01.AB"), platform::Value::binaryData(std::string("\x01\xAB", 2)));
  EXPECT_EQ(ParseOldValue("B,"), platform::Value::binaryData(""));
  for (const char* bad : {"", "S", "X,1", "D,", "D,12x", "B,1", "B,01.", "B,01AB", "B,0G"}) {
    EXPECT_FALSE(ParseOldValue(bad)) << bad;
  }
}

TEST(UninstallLog, KeyLines) {
  auto k = ParseKeyLine("Software\\A,B,2147483650");
  ASSERT_TRUE(k);
  EXPECT_EQ(k->root, platform::Root::localMachine);
  EXPECT_EQ(k->path, "Software\\A,B");
  EXPECT_FALSE(ParseKeyLine("Software\\A"));
  EXPECT_FALSE(ParseKeyLine("Software\\A,12"));
  EXPECT_FALSE(ParseKeyLine("Software\\A,2147483650x"));
}

TEST(UninstallLog, SafePaths) {
  struct Case {
    const char* path;
    bool safe;
  } cases[] = {
      {"C:\\App\\a.exe", true},     {"c:/App", true},          {"C:\\App\\", true},
      {"\\\\srv\\share\\a", true},  {"C:\\", false},           {"C:", false},
      {"C:App", false},             {"App\\a.exe", false},     {"\\App", false},
      {"C:\\App\\..\\x", false},    {"C:\\App\\.\\x", false},  {"C:\\..", false},
      {"\\\\srv\\share", false},    {"\\\\?\\C:\\x", false},   {"\\\\.\\PhysicalDrive0", false},
      {"C:\\App\\a.exe:stream", false}, {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSafeAbsolutePath(c.path), c.safe) << c.path;
}

}  // namespace
}  // namespace uninstall
