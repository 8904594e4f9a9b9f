// Program start and close: FormCreate's values, FormShow's loading steps
// (engine archive, hook library, script, licence, titles) and the close
// steps with the Final page's options.

#include "actions/report_action_error.h"
#include "archive/platform_streams.h"
#include "rar/write/writer.h"
#include "startup/code_page_conversion.h"
#include "tests/wizard/wizard_fixture.h"

namespace wizard::testing {
namespace {

using ::ui::MessageButtons;
using ::ui::MessageIcon;
using ::ui::ModalResult;

const char kFatal[] = "Фатальная ошибка. Продолжение установки невозможно.";

class Startup : public WizardTest {};

TEST_F(Startup, FormCreateSetsTheRunsStartingValues) {
  Package(Script(""));
  Open();
  EXPECT_EQ(ctx.model.OsKind, startup::okNT);
  EXPECT_EQ(form->FLabel->left(), form->CLabel->left() + form->CLabel->width() + 5);
  EXPECT_EQ(ctx.window.SourceDrive, "D:\\");
  EXPECT_FALSE(ctx.window.SourceIsRemovable) << "D: is a CD-ROM";
  EXPECT_EQ(ctx.window.ProgramDir, "D:\\");
  EXPECT_EQ(ctx.model.SourceDir, "D:\\");
  EXPECT_EQ(ctx.model.SystemDir, "C:\\WINDOWS\\SYSTEM32\\");
  EXPECT_EQ(ctx.model.WindowsDir, "C:\\WINDOWS\\");
  EXPECT_EQ(ctx.model.DatabaseEngineDir, "C:\\Program Files\\Borland\\Common Files\\BDE");
  // Only the name of the RunLib directory is reserved; no file is left.
  EXPECT_EQ(ctx.model.RunLibWorkDir.rfind(kTemp, 0), 0u) << ctx.model.RunLibWorkDir;
  EXPECT_NE(ctx.model.RunLibWorkDir.find("Set"), std::string::npos);
  EXPECT_FALSE(machine.files().exists(ctx.model.RunLibWorkDir));
  EXPECT_EQ(ctx.model.ArchivePassword, "") << "the engine password is dropped after the extraction";
  EXPECT_TRUE(form->WTimer->enabled());
  EXPECT_EQ(form->WTimer->interval(), 200);
  ui->discardPendingActions();
}

TEST_F(Startup, ProgramOnADisketteIsARemovableSource) {
  machine.addDrive('A', platform::DriveType::removable);
  ASSERT_TRUE(machine.addDirectory("A:\\").ok());
  machine.systemState().setModulePath("A:\\SETUP.EXE");
  ASSERT_TRUE(machine.addFile("A:\\install.dat", StoredRar5({{"Install.Ini", Script("")}})).ok());
  Open();
  EXPECT_TRUE(ctx.window.SourceIsRemovable);
  EXPECT_EQ(ctx.window.ProgramDir, "A:\\");
}

TEST_F(Startup, EngineArchiveIsExtractedToTheTemporaryDirectoryAndListed) {
  Package(Script(""), {{"Licence.txt", "текст"}, {"Sub", "", true}, {"Sub/Uninst.exe", "MZ"}});
  Open();
  EXPECT_EQ(form->engineTempDir(), kTemp);
  const std::vector<std::string> expected = {std::string(kTemp) + "Install.Ini", std::string(kTemp) + "Licence.txt",
                                             std::string(kTemp) + "Sub", std::string(kTemp) + "Sub\\Uninst.exe"};
  EXPECT_EQ(ctx.lists.TempFileList, expected);
  EXPECT_EQ(machine.fileContent(std::string(kTemp) + "Sub\\Uninst.exe").valueOr(""), "MZ");
}

TEST_F(Startup, EncryptedEngineArchiveOpensWithTheEnginePassword) {
  // AES-256 with encrypted headers, as the package builder writes it.
  archive::PlatformArchiveFiles files(machine.files());
  rar::WriterOptions options;
  options.password = rar::Password::fromOem866(startup::kEngineArchivePassword);
  options.encryptHeaders = true;
  auto writer = rar::Writer::create(files, "D:\\install.dat", options);
  ASSERT_TRUE(writer.ok()) << writer.status().toString();
  ASSERT_TRUE(writer.value()->addBytes("Install.Ini", Script("[Main]\r\nTitle=Шифр\r\n")).ok());
  ASSERT_TRUE(writer.value()->finish().ok());
  Open();
  EXPECT_EQ(ctx.model.Main.Title, "Шифр");
  EXPECT_EQ(form->Title->caption(), "Шифр");
  EXPECT_NE(ctx.model.ArchivePassword, startup::kEngineArchivePassword) << "the package password is the title's";
  ui->discardPendingActions();
}

TEST_F(Startup, TitlesAndCopyrightFollowTheScript) {
  const std::string title250(250, 'T');
  struct Case {
    std::string title;
    std::string copyright;
    std::string titleLabel;
    std::string copyrightLabel;
  } cases[] = {
      {"Офис", "Фирма", "Офис", "  © Фирма"},
      {title250, "", std::string(200, 'T'), " "},
      {"", " \t ", "", " "},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    form.reset();
    ctx.model = startup::SetupDataModel{};
    Package(Script("[Main]\r\nTitle=" + cases[i].title + "\r\nCopyright=" + cases[i].copyright + "\r\n"));
    Open();
    EXPECT_EQ(form->form().caption(), "Установка программы " + cases[i].title);
    EXPECT_EQ(form->Title->caption(), cases[i].titleLabel);
    EXPECT_EQ(form->CopyrightLabel->caption(), cases[i].copyrightLabel);
  }
}

TEST_F(Startup, OverallProgressMaximumIsTheNumberOfFiles) {
  Package(Script("[Files]\r\nCount=2\r\nFile1=1,a.exe,1.0,1,0,#WD,a.exe,0\r\nFile2=2,b.exe,1.0,1,0,#WD,b.exe,0\r\n"));
  Open();
  EXPECT_EQ(form->PBar->max(), 2);
  form.reset();
  ctx.model = startup::SetupDataModel{};
  Package(Script(""));
  Open();
  EXPECT_EQ(form->PBar->max(), 0);
}

TEST_F(Startup, MissingEngineArchiveIsFatal) {
  ui->expectMessageBox()
      .withText("Нет описания процедуры установки")
      .withCaption(kFatal)
      .withIcon(MessageIcon::Error)
      .withButtons(MessageButtons::Ok);
  Open();
  EXPECT_TRUE(app.terminated());
  EXPECT_FALSE(form->WTimer->enabled());
  EXPECT_TRUE(dialogs.backgrounds.empty()) << "no loading step after the report";
}

TEST_F(Startup, EngineArchiveThatCannotBeOpenedIsFatal) {
  ASSERT_TRUE(machine.addFile("D:\\install.dat", "this is no archive").ok());
  ui->expectMessageBox().withText("Ошибка открытия архива").withCaption(kFatal).withIcon(MessageIcon::Error);
  Open();
  EXPECT_TRUE(app.terminated());
  EXPECT_FALSE(form->WTimer->enabled());
}

TEST_F(Startup, FatalReportIsSilentAfterABreak) {
  ctx.window.BreakRequested = true;
  WizardRunEnd end(app);
  bool rolledBack = false;
  end.rollBack = [&](startup::SetupContext&) { rolledBack = true; };
  ctx.model.Dirs.resize(2);
  actions::ReportActionError(ctx, end, actions::aeCreateDir, "C:\\X");
  EXPECT_TRUE(ui->messageBoxes().empty());
  EXPECT_TRUE(rolledBack);
  EXPECT_TRUE(ctx.model.Dirs.empty());
  EXPECT_TRUE(app.terminated());
}

TEST_F(Startup, RejectedOrMalformedScriptEndsCleanly) {
  struct Case {
    std::string script;
    std::string message;
  } cases[] = {
      {"[Version]\r\nScript=2\r\n", "Недопустимая версия файла директив"},
      {Script("[FileGroups]\r\nCount=1\r\nName1=A\r\nGroup1=1,x\r\n"), ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    ASSERT_TRUE(machine.addFile("D:\\install.dat", StoredRar5({{"Install.Ini", cases[i].script}})).ok());
    ::ui::Application run(std::make_unique<::ui::headless::HeadlessRenderer>([](const std::string& m) { ADD_FAILURE() << m; }));
    auto& r = static_cast<::ui::headless::HeadlessRenderer&>(run.renderer());
    WizardMessageUi m(run);
    startup::SetupContext c(machine, m);
    auto& box = r.expectMessageBox().withIcon(MessageIcon::Error);
    if (!cases[i].message.empty()) box.withText(cases[i].message);
    InstallForm f(run, c, dialogs, driver);
    f.form().showForm();
    EXPECT_TRUE(run.terminated());
    EXPECT_FALSE(f.WTimer->enabled());
    EXPECT_TRUE(dialogs.backgrounds.empty()) << "nothing after the script is done";
    EXPECT_FALSE(machine.files().exists(std::string(kTemp) + "Install.Ini")) << "the unpacked files are removed";
    EXPECT_EQ(f.SB->children().size(), 0u);
  }
}

// A script cut short while unpacking must never be read as a shorter valid
// one: its first part alone is a valid script that names a title.
TEST_F(Startup, ScriptCutWhileUnpackingIsNeverReadAsAShorterOne) {
  std::string filler;
  // Output goes out in pieces of up to 1 MB: the script spans several.
  while (filler.size() < 3000000) filler += "; padding line of the script\r\n";
  const std::string script = Script("[Main]\r\nTitle=Cut\r\n" + filler + "[Main]\r\nCopyright=End\r\n");
  const std::string archive = StoredRar5({{"Install.Ini", script}});
  const size_t at = archive.find(filler);
  ASSERT_NE(at, std::string::npos);
  for (bool diskFull : {true, false}) {
    SCOPED_TRACE(diskFull ? "disk full while writing the script" : "archive ends in the script");
    machine.faults().clear();
    ASSERT_TRUE(machine.addFile("D:\\install.dat", diskFull ? archive : archive.substr(0, at + filler.size() / 2)).ok());
    if (diskFull)
      machine.failNth(platform::sim::Op::write, 2, platform::Status(platform::Code::diskFull, 112));
    ::ui::Application run(std::make_unique<::ui::headless::HeadlessRenderer>([](const std::string& m) { ADD_FAILURE() << m; }));
    auto& r = static_cast<::ui::headless::HeadlessRenderer&>(run.renderer());
    WizardMessageUi m(run);
    startup::SetupContext c(machine, m);
    r.expectMessageBox().withIcon(MessageIcon::Error).withText("Недопустимая версия файла директив");
    InstallForm f(run, c, dialogs, driver);
    f.form().showForm();
    EXPECT_TRUE(run.terminated());
    EXPECT_NE(c.model.Main.Title, "Cut");
    EXPECT_TRUE(dialogs.backgrounds.empty());
    EXPECT_FALSE(machine.files().exists(std::string(kTemp) + "Install.Ini"));
  }
}

TEST_F(Startup, HookLibraryAnswersThroughTheModel) {
  std::vector<std::string> asked;
  machine.registerLibrary(std::string(kTemp) + "Install.Dll",
                          {{"CheckFile", [&](std::span<const platform::CallArg> args, platform::sim::Machine&) {
                              asked.push_back(std::get<std::string>(args[0]));
                              return asked.back() == "yes.dll" ? 0x101u : 0x100u;  // low byte decides
                            }}});
  Package(Script(""), {{"Install.Dll", "MZ"}});
  Open();
  ASSERT_TRUE(ctx.model.CheckFile);
  EXPECT_TRUE(ctx.model.CheckFile("yes.dll"));
  EXPECT_FALSE(ctx.model.CheckFile("no.dll"));
  EXPECT_EQ(asked, (std::vector<std::string>{"yes.dll", "no.dll"}));
  EXPECT_EQ(machine.libraryTable().unloads(std::string(kTemp) + "Install.Dll"), 0) << "the hook stays loaded";
}

TEST_F(Startup, HookLibraryMissingUnloadableOrWithoutEntryGivesNoHook) {
  // Not registered: loading fails. Registered without CheckFile: no entry.
  Package(Script(""), {{"Install.Dll", "MZ"}});
  Open();
  EXPECT_FALSE(ctx.model.CheckFile);
  form.reset();
  machine.registerLibrary(std::string(kTemp) + "Install.Dll", {{"Other", [](auto, auto&) { return 1u; }}});
  Open();
  EXPECT_FALSE(ctx.model.CheckFile);
}

TEST_F(Startup, LicenceIsShownWhenTheArchiveHoldsItAndDecliningEnds) {
  Package(Script("[Main]\r\nLicence=Licence.txt\r\nColor=$FF0000\r\nTitle=Офис\r\n"), {{"Licence.txt", "условия"}});
  dialogs.acceptLicence = false;
  Open();
  EXPECT_EQ(dialogs.licences, (std::vector<std::string>{std::string(kTemp) + "Licence.txt"}));
  EXPECT_EQ(dialogs.backgrounds, (std::vector<std::pair<std::string, int32_t>>{{"Офис", 0xFF0000}}));
  EXPECT_TRUE(app.terminated());
  EXPECT_FALSE(form->WTimer->enabled());
  EXPECT_TRUE(machine.files().exists(std::string(kTemp) + "Install.Ini")) << "unpacked files stay";
}

TEST_F(Startup, LicenceNamedButAbsentOrBlankShowsNoDialog) {
  for (const char* licence : {"Missing.txt", "  "}) {
    SCOPED_TRACE(licence);
    form.reset();
    ctx.model = startup::SetupDataModel{};
    Package(Script(std::string("[Main]\r\nLicence=") + licence + "\r\n"));
    Open();
    EXPECT_TRUE(dialogs.licences.empty());
    EXPECT_TRUE(form->WTimer->enabled());
  }
  ui->discardPendingActions();
}

// Paths whose letters code page 1251 lacks: the machine hands out their
// short form, and where there is none the run stops naming the path.
TEST_F(Startup, TemporaryDirectoryOutside1251WorksThroughItsShortForm) {
  ASSERT_TRUE(machine.addDirectory("C:\\Users\\JOSE~1\\Temp").ok());
  machine.fileStore().setTempPathUnicode(u"C:\\Users\\Jos\u00e9\\Temp\\", u"C:\\Users\\JOSE~1\\Temp\\");
  Package(Script("[Main]\r\nTitle=Демо\r\n"));
  OpenAndWarn();
  EXPECT_EQ(form->engineTempDir(), "C:\\Users\\JOSE~1\\Temp\\");
  EXPECT_EQ(ctx.model.Main.Title, "Демо") << "the script was read from the short path";
  EXPECT_FALSE(app.terminated());
}

TEST_F(Startup, ProgramDirectoryOutside1251WorksThroughItsShortForm) {
  ASSERT_TRUE(machine.addDirectory("D:\\PROGRA~1").ok());
  machine.systemState().setModulePathUnicode(u"D:\\\u03a0\u03c1\u03cc\u03b3\u03c1\u03b1\u03bc\u03bc\u03b1\\SETUP.EXE",
                                             u"D:\\PROGRA~1\\SETUP.EXE");
  ASSERT_TRUE(machine.addFile("D:\\PROGRA~1\\install.dat",
                              StoredRar5({{"Install.Ini", Script("[Main]\r\nTitle=Демо\r\n")}}))
                  .ok());
  OpenAndWarn();
  EXPECT_EQ(ctx.window.ProgramDir, "D:\\PROGRA~1\\");
  EXPECT_EQ(ctx.model.SourceDir, "D:\\PROGRA~1\\");
  EXPECT_EQ(ctx.model.Main.Title, "Демо");
}

TEST_F(Startup, PathOutside1251WithoutAShortFormStopsNamingThePath) {
  struct Case {
    bool temp;  // the temporary directory, else the program's own directory
    const char* shown;
  } cases[] = {
      {true, "C:\\Users\\Jos?\\Temp\\"},
      {false, "D:\\????\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    form.reset();
    machine.fileStore().setTempPath(kTemp);
    ctx.model = startup::SetupDataModel{};
    ctx.window = startup::WindowState{};
    if (c.temp) {
      machine.fileStore().setTempPathUnicode(u"C:\\Users\\Jos\u00e9\\Temp\\", std::nullopt);
      Package(Script(""));
    } else {
      machine.systemState().setModulePathUnicode(u"D:\\\u03b1\u03b2\u03b3\u03b4\\SETUP.EXE", std::nullopt);
    }
    ui->expectMessageBox()
        .withText(UnusablePathMessage(c.shown))
        .withCaption(actions::kFatalErrorCaption)
        .withIcon(::ui::MessageIcon::Error);
    Open();
    EXPECT_TRUE(app.terminated());
    EXPECT_TRUE(ctx.lists.TempFileList.empty()) << "nothing was unpacked";
    ui->verifyDone();
  }
}

TEST_F(Startup, SetupMessageKindsBecomeMessageBoxes) {
  struct Case {
    startup::MessageKind kind;
    const char* caption;
    MessageIcon icon;
    MessageButtons buttons;
    ModalResult answer;
  } cases[] = {
      {startup::MessageKind::error, "Ошибка", MessageIcon::Error, MessageButtons::Ok, ModalResult::Ok},
      {startup::MessageKind::question, "Подтверждение", MessageIcon::Question, MessageButtons::YesNo, ModalResult::No},
      {startup::MessageKind::warning, "Предупреждение", MessageIcon::Warning, MessageButtons::Ok, ModalResult::Ok},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    ui->expectMessageBox()
        .withText("текст")
        .withCaption(cases[i].caption)
        .withIcon(cases[i].icon)
        .withButtons(cases[i].buttons)
        .answer(cases[i].answer);
    app.setCursor(::ui::Cursor::Wait);
    EXPECT_EQ(startup::SetupMessage(messages, "текст", cases[i].kind), static_cast<int>(cases[i].answer));
    EXPECT_EQ(ui->cursorsDuringBoxes().back(), ::ui::Cursor::Default);
    EXPECT_EQ(app.cursor(), ::ui::Cursor::Wait) << "the cursor comes back";
  }
}

// --- close steps ---

class CloseSteps : public WizardTest {
 protected:
  // Reaches the Final page with these [Main] options.
  void Finish(const std::string& main, bool restartNeeded = false) {
    Package(Script("[Main]\r\n" + main));
    ASSERT_TRUE(machine.addFile("C:\\App\\app.exe", "MZ").ok());
    ASSERT_TRUE(machine.addFile("C:\\App\\readme.txt", "readme").ok());
    driver.during = [this, restartNeeded](InstallForm&) {
      // What the driver leaves behind: the files' full target paths.
      ctx.model.Main.RunFile = "C:\\App\\app.exe";
      ctx.model.Main.ReadmeFile = "C:\\App\\readme.txt";
      ctx.model.RestartNeeded = restartNeeded;
    };
    OpenAndWarn();
    ExpectCopyQuestion(ModalResult::Yes);
    Next();
    ASSERT_EQ(page(), pgFinal);
  }
  int restarts() { return machine.systemState().restartCount(); }
  size_t opens() { return machine.shellState().opened().size(); }
};

TEST_F(CloseSteps, ReadmeRunAndRestartAsTheBoxesSay) {
  struct Case {
    const char* main;
    bool restartNeeded;
    std::vector<bool> ticks;  // the visible boxes' states set before Finish (empty: as prepared)
    const char* restartAnswer;  // "yes"/"no" when the restart question is expected
    size_t readmes;
    size_t opens;
    int restarts;
  } cases[] = {
      {"ReadmeView=1\r\nRunApp=1\r\nRestartWindows=1\r\n", false, {}, nullptr, 1, 1, 0},
      {"ReadmeView=1\r\nRunApp=1\r\nRestartWindows=1\r\n", false, {true, true, true}, nullptr, 1, 0, 1},
      {"ReadmeView=1\r\nRunApp=1\r\nRestartWindows=1\r\n", false, {false, false, false}, nullptr, 0, 0, 0},
      {"RunApp=1\r\n", true, {}, "no", 0, 0, 0},
      {"RunApp=1\r\n", true, {}, "yes", 0, 0, 1},
      {"RestartWindows=1\r\n", false, {}, nullptr, 0, 0, 1},
      {"", false, {}, nullptr, 0, 0, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].main);
    form.reset();
    ctx.model = startup::SetupDataModel{};
    ctx.window = startup::WindowState{};
    const size_t readmesBefore = dialogs.readmes.size();
    const size_t opensBefore = opens();
    const int restartsBefore = restarts();
    Finish(cases[i].main, cases[i].restartNeeded);
    for (size_t b = 0; b < cases[i].ticks.size(); ++b) form->Boxes[b]->setChecked(cases[i].ticks[b]);
    if (cases[i].restartAnswer != nullptr) {
      ui->expectMessageBox()
          .withText("необходимо произвести перезагрузку компьютера")
          .withButtons(MessageButtons::YesNo)
          .answer(std::string(cases[i].restartAnswer) == "yes" ? ModalResult::Yes : ModalResult::No);
    }
    form->NextBtnClick();
    EXPECT_EQ(dialogs.readmes.size() - readmesBefore, cases[i].readmes);
    EXPECT_EQ(opens() - opensBefore, cases[i].opens);
    EXPECT_EQ(restarts() - restartsBefore, cases[i].restarts);
    ui->verifyDone();
  }
}

TEST_F(CloseSteps, FinalChoicesBecomeTheRunsSettings) {
  struct Case {
    const char* main;
    std::vector<bool> ticks;
    bool readme, run, restart;  // the settings after the close steps
  } cases[] = {
      {"ReadmeView=1\r\nRunApp=1\r\nRestartWindows=1\r\n", {false, true, false}, false, true, false},
      {"ReadmeView=1\r\nRunApp=1\r\nRestartWindows=1\r\n", {true, true, true}, true, false, true},
      {"RunApp=1\r\n", {false}, false, false, false},
      {"", {}, false, false, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i) + ": " + cases[i].main);
    form.reset();
    ctx.model = startup::SetupDataModel{};
    ctx.window = startup::WindowState{};
    Finish(cases[i].main);
    for (size_t b = 0; b < cases[i].ticks.size(); ++b) form->Boxes[b]->setChecked(cases[i].ticks[b]);
    form->NextBtnClick();
    EXPECT_EQ(ctx.model.Main.ReadmeView, cases[i].readme);
    EXPECT_EQ(ctx.model.Main.RunApp, cases[i].run) << "a restart takes the program start back";
    EXPECT_EQ(ctx.model.Main.RestartWindows, cases[i].restart);
  }
}

TEST_F(CloseSteps, ProgramStartsInItsDirectoryThroughTheShell) {
  Finish("RunApp=1\r\n");
  form->NextBtnClick();
  ASSERT_EQ(opens(), 1u);
  const auto& request = machine.shellState().opened().back();
  EXPECT_EQ(request.file, "C:\\App\\app.exe");
  EXPECT_EQ(request.parameters, "");
  EXPECT_EQ(request.directory, "");
  EXPECT_EQ(request.showCommand, 5);
  EXPECT_EQ(machine.system().currentDirectory(), "C:\\App");
  EXPECT_TRUE(app.terminated());
  EXPECT_TRUE(ctx.lists.TempFileList.empty()) << "the run's lists are freed";
  EXPECT_FALSE(machine.files().exists(std::string(kTemp) + "Install.Ini"));
}

TEST_F(CloseSteps, CloseBoxOnTheFinalPageActsLikeFinish) {
  Finish("RunApp=1\r\n");
  form->form().close();
  EXPECT_EQ(opens(), 1u);
  EXPECT_TRUE(app.terminated());
}

TEST_F(CloseSteps, ClosingWithoutCompletionOnlyCleansUp) {
  Package(Script("[Main]\r\nRestartWindows=1\r\nRunApp=1\r\n"));
  OpenAndWarn();
  ctx.model.RestartNeeded = true;
  form->form().close();
  EXPECT_EQ(restarts(), 0);
  EXPECT_EQ(opens(), 0u);
  EXPECT_TRUE(ctx.model.TGroups.empty());
  EXPECT_FALSE(machine.files().exists(std::string(kTemp) + "Install.Ini"));
}

}  // namespace
}  // namespace wizard::testing
