// The fatal reporter: the eight kinds and their texts, the break that
// silences the message, and the end of the run.

#include "tests/actions/actions_fixture.h"

namespace actions::testing {
namespace {

using ReportActionErrorTest = ActionsFixture;

TEST(ActionErrorText, EveryKindHasItsText) {
  struct Case {
    uint8_t kind;
    const char* detail;
    const char* text;
  } cases[] = {
      {aeCreateDir, "C:\\App", "Невозможно создать каталог C:\\App"},
      {aeCreateDir, "", "Невозможно создать каталог "},
      {aeMessage, "Ошибка открытия архива", "Ошибка открытия архива"},
      {aeLibraryMissing, "D:\\Lib1.rar", "Библиотека D:\\Lib1.rar не найдена на первом дистрибутивном диске"},
      {aeLibraryFailed, "D:\\Lib1.rar", "Ошибка при выполнении библиотеки D:\\Lib1.rar"},
      {aeCreateKey, "Software\\X", "Невозможно создать в ключ реестра Software\\X"},
      {aeOpenKey, "Software\\X", "Невозможно открыть в ключ реестра Software\\X"},
      {aeWriteValue, "Software\\X\\Path", "Ошибка записи в ключ реестра Software\\X\\Path"},
      {aeNoScript, "ignored", "Нет описания процедуры установки"},
      {aeNoScript, "", "Нет описания процедуры установки"},
  };
  for (const Case& c : cases) EXPECT_EQ(ActionErrorText(c.kind, c.detail), c.text) << int(c.kind);
  EXPECT_STREQ(kFatalErrorCaption, "Фатальная ошибка. Продолжение установки невозможно.");
}

TEST_F(ReportActionErrorTest, ShowsRollsBackReleasesAndEnds) {
  ctx.model.Dirs.resize(2);
  ctx.model.RegData.resize(1);
  ReportActionError(ctx, end, aeCreateKey, "Software\\X");
  ExpectOneFatalReport("Невозможно создать в ключ реестра Software\\X");
  EXPECT_TRUE(ctx.model.Dirs.empty());
  EXPECT_TRUE(ctx.model.RegData.empty());
  EXPECT_FALSE(ctx.model.SystemDir.empty()) << "the system values stay";
}

TEST_F(ReportActionErrorTest, AfterABreakNothingIsShownButTheRunStillEnds) {
  ctx.window.BreakRequested = true;
  ctx.model.Dirs.resize(1);
  ReportActionError(ctx, end, aeMessage, "Ошибка чтения сжатого файла a.txt");
  EXPECT_TRUE(end.shown.empty());
  EXPECT_EQ(end.rollBacks, 1);
  EXPECT_EQ(end.terminated, 1);
  EXPECT_TRUE(ctx.model.Dirs.empty());
}

}  // namespace
}  // namespace actions::testing
