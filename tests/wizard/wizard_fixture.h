#pragma once
// A wizard run on a simulated machine with the headless renderer: the
// program D:\SETUP.EXE beside an install.dat made from a script, dialogs
// whose answers the test sets, and a driver that records its call.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "startup/context.h"
#include "tests/ui/headless_fixture.h"
#include "tests/wizard/stored_rar5.h"
#include "ui/message_dialog.h"
#include "wizard/install_form.h"
#include "wizard/message_ui.h"

namespace wizard::testing {

inline constexpr const char kTemp[] = "C:\\WINDOWS\\TEMP\\";
inline constexpr const char kCopyQuestionPart[] = "готова начать копирование файлов";
inline constexpr const char kWarningPart[] = "закройте все остальные программы";

class FakeDialogs : public DialogServices {
 public:
  bool ShowLicence(const std::string& path) override {
    licences.push_back(path);
    return acceptLicence;
  }
  void ShowReadme(const std::string& path) override { readmes.push_back(path); }
  std::unique_ptr<WindowHold> ShowBackground(const std::string& title, int32_t color) override {
    backgrounds.push_back({title, color});
    return color == 0 ? nullptr : std::make_unique<WindowHold>();
  }

  bool acceptLicence = true;
  std::vector<std::string> licences;
  std::vector<std::string> readmes;
  std::vector<std::pair<std::string, int32_t>> backgrounds;
};

// Selects the Final page, as a successful installation does, unless told
// to stop on the Process page.
class RecordingDriver : public InstallationDriver {
 public:
  void RunInstallation(InstallForm& form) override {
    ++runs;
    if (during) during(form);
    if (reachFinal) form.NB->setPageIndex(pgFinal);
  }
  int runs = 0;
  bool reachFinal = true;
  std::function<void(InstallForm&)> during;
};

class WizardTest : public ui::testing::HeadlessTest {
 protected:
  WizardTest() : messages(app), ctx(machine, messages) {}

  // install.dat beside D:\SETUP.EXE holding Install.Ini and `extra` members.
  void Package(const std::string& script, std::vector<StoredMember> extra = {}) {
    extra.insert(extra.begin(), StoredMember{"Install.Ini", script});
    ASSERT_TRUE(machine.addFile("D:\\install.dat", StoredRar5(extra)).ok());
  }
  // The script of a package with [Version] and the given sections.
  static std::string Script(const std::string& body) { return "[Version]\r\nScript=1\r\n" + body; }

  // Creates frmInstall and shows it: FormCreate and FormShow run.
  InstallForm& Open() {
    form = std::make_unique<InstallForm>(app, ctx, dialogs, driver);
    form->form().showForm();
    return *form;
  }
  // Open, then the first WTimer tick with its warning box answered.
  InstallForm& OpenAndWarn() {
    Open();
    ExpectWarning();
    ui->advance(200);
    return *form;
  }
  void ExpectWarning() {
    ui->expectMessageBox()
        .withText(kWarningPart)
        .withCaption("Предупреждение")
        .withIcon(::ui::MessageIcon::Information)
        .withButtons(::ui::MessageButtons::Ok);
  }
  // The copy confirmation: a dialog of the program's own with Russian
  // buttons on any Windows; `script` may act in it instead of an answer.
  void ExpectCopyQuestion(::ui::ModalResult answer, std::function<void(::ui::Form&)> script = {}) {
    ui->expectDialog(::ui::kMessageDialogName)
        .then([script](::ui::Form& f) {
          EXPECT_EQ(f.caption(), "Подтверждение");
          EXPECT_EQ(f.get<::ui::Label>("Message").caption(),
                    "Программа установки готова начать копирование файлов.\r\nПродолжать?");
          EXPECT_EQ(f.get<::ui::IconImage>("Image").icon(), ::ui::MessageIcon::Question);
          auto& yes = f.get<::ui::Button>("Yes");
          auto& no = f.get<::ui::Button>("No");
          EXPECT_EQ(yes.caption(), "&Да");
          EXPECT_EQ(no.caption(), "&Нет");
          EXPECT_TRUE(yes.isDefault());
          EXPECT_TRUE(no.isCancel()) << "Esc presses No";
          EXPECT_EQ(f.activeControl(), &yes);
          EXPECT_EQ(f.children().size(), 4u) << "an icon, the text and two buttons";
          if (script) script(f);
        })
        .answer(answer);
  }

  int page() { return form->NB->pageIndex(); }
  void Next() { ASSERT_TRUE(ui->click(*form->NextBtn)) << "Next"; }
  void Back() { ASSERT_TRUE(ui->click(*form->PrevBtn)) << "Back"; }

  platform::sim::Machine machine;
  WizardMessageUi messages;
  startup::SetupContext ctx;
  FakeDialogs dialogs;
  RecordingDriver driver;
  std::unique_ptr<InstallForm> form;
};

}  // namespace wizard::testing
