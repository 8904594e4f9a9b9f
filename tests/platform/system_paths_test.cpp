// System paths in code page 1251 and the order of a restart: the logic both
// backends share.

#include <gtest/gtest.h>

#include <vector>

#include "platform/restart.h"
#include "platform/system_paths.h"

namespace platform {
namespace {

TEST(SystemPaths, LongFormShortFormOrMarkedLetters) {
  struct Case {
    std::u16string path;
    std::optional<std::u16string> shortForm;
    const char* expected;
  } cases[] = {
      {u"C:\\Users\\Иван\\Temp\\", std::nullopt, "C:\\Users\\Иван\\Temp\\"},  // Cyrillic fits 1251
      {u"C:\\Users\\Jos\u00e9\\Temp\\", u"C:\\Users\\JOSE~1\\Temp\\", "C:\\Users\\JOSE~1\\Temp\\"},
      {u"C:\\Users\\Jos\u00e9\\Temp\\", std::nullopt, "C:\\Users\\Jos?\\Temp\\"},
      // A short form that still has such letters is no help.
      {u"C:\\\u03a9\\a.exe", u"C:\\\u03a9\\a.exe", "C:\\?\\a.exe"},
      {u"C:\\\u03a9\\a.exe", u"", "C:\\?\\a.exe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    int asked = 0;
    const std::string got = SystemPathIn1251(c.path, [&](std::u16string_view p) {
      ++asked;
      EXPECT_EQ(p, c.path);
      return c.shortForm;
    });
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(asked, FitsCodePage1251(c.path) ? 0 : 1) << "the short form is asked for only when needed";
    EXPECT_EQ(HoldsUnrepresentableLetters(got), std::string(c.expected).find('?') != std::string::npos);
  }
  EXPECT_FALSE(HoldsUnrepresentableLetters("\\\\?\\C:\\Temp\\")) << "the long-path prefix is no lost letter";
  EXPECT_TRUE(FitsCodePage1251(u"C:\\Program Files (x86)\\№1"));
}

TEST(Restart, RequestIsMadeEvenWhenThePrivilegeStepFails) {
  for (bool privilegeOk : {true, false}) {
    std::vector<std::string> calls;
    const Status result = RequestRestart(
        [&] {
          calls.push_back("privilege");
          return privilegeOk ? Status() : Status(Code::accessDenied, 1300, "the shutdown privilege is not held");
        },
        [&] {
          calls.push_back("exit");
          return Status();
        });
    EXPECT_EQ(calls, (std::vector<std::string>{"privilege", "exit"})) << privilegeOk;
    EXPECT_TRUE(result.ok()) << "the request's own result counts";
  }
  const Status refused = RequestRestart([] { return Status(); }, [] { return Status(Code::accessDenied, 5); });
  EXPECT_EQ(refused.code(), Code::accessDenied);
}

}  // namespace
}  // namespace platform
