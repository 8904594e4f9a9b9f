// Which page follows which, what entering a page does, Break and Cancel,
// the start of the page flow and the blinking rollback banner.

#include "actions/can_create_path.h"
#include "startup/path_macros.h"
#include "ui/message_dialog.h"
#include "wizard/install_form.h"

namespace wizard {

namespace {

inline constexpr const char kCopyQuestion[] = "Программа установки готова начать копирование файлов.\r\nПродолжать?";
inline constexpr const char kBreakQuestion[] = "Прервать установку программы?";
inline constexpr const char kCloseProgramsWarning[] =
    "ВНИМАНИЕ! Перед тем, как начать установку, закройте все остальные программы во избежание "
    "конфликта при копировании файлов.";

// The banner's colours, by blink step 1..15.
constexpr ui::Color kBlinkColors[15] = {
    ui::colors::black, ui::colors::maroon, ui::colors::green, ui::colors::olive,   ui::colors::navy,
    ui::colors::purple, ui::colors::teal,  ui::colors::gray,  ui::colors::silver,  ui::colors::red,
    ui::colors::lime,  ui::colors::yellow, ui::colors::blue,  ui::colors::fuchsia, ui::colors::aqua,
};

}  // namespace

void InstallForm::PMGetNextPage(int current, int& proposal) {
  const auto& setups = ctx_.model.TSetups;
  const int32_t index = ctx_.window.SetupTypeIndex;
  if (current == pgStart && setups.empty()) {
    proposal = pgProcess;
  } else if (current == pgSetupType && index >= 0) {
    proposal = pgProcess;
  }
  if (proposal == pgProcess) {
    if (index >= 0 && static_cast<size_t>(index) < setups.size()) {
      ApplySetupType();
    } else if (current == pgCustom) {
      // Leaving the component list forward: the groups follow its items,
      // whatever setup type was applied on an earlier pass.
      CopyComponentChoice();
    }
  }
  ctx_.window.ReturnPage = current;
}

void InstallForm::PMGetPriorPage(int current, int& proposal) {
  if (current == pgSetupType && ctx_.model.Main.SkipDirDialog == 1) proposal = -1;
}

std::string InstallForm::CurrentDirPath(size_t index) {
  const startup::DirEntry& d = ctx_.model.Dirs[index];
  if (!d.Hidden) return d.Dir;  // the Start page expanded it already
  return startup::ExpandPathMacrosTrimmed(startup::MacroEnvironment{ctx_.model, ctx_.os}, d.Dir);
}

void InstallForm::NBPageChanged() {
  const startup::SetupDataModel& m = ctx_.model;
  switch (NB->pageIndex()) {
    case pgStart: {
      const int32_t skip = m.Main.SkipDirDialog;
      if (skip != 1 && skip != 2) return;
      platform::FileSystem& fs = ctx_.os.files();
      for (size_t i = 0; i < m.Dirs.size(); ++i) {
        const std::string dir = CurrentDirPath(i);
        // A hidden entry with an unresolved macro is skipped by every step
        // that uses directories, so it cannot hold the installation up here.
        // A visible one is a directory the user was to install into: it
        // cannot be created, and is reported as such.
        const bool unresolved = startup::IsUnresolvedPath(dir);
        if (unresolved && m.Dirs[i].Hidden) continue;
        if (!unresolved && fs.directoryExists(dir)) continue;
        if (unresolved || skip == 2 || !actions::CanCreatePath(fs, dir)) {
          StartFolderReport(static_cast<int>(i));
          return;
        }
      }
      NB->setPageIndex(pgSetupType);
      return;
    }
    case pgSetupType:
      if (m.TSetups.empty()) NB->setPageIndex(pgProcess);
      return;
    case pgCustom:
      return;
    case pgProcess: {
      // Our own dialog: its buttons read "&Да" and "&Нет" on any Windows.
      ui::MessageBoxRequest question;
      question.text = kCopyQuestion;
      question.caption = "Подтверждение";
      question.buttons = ui::MessageButtons::YesNo;
      question.icon = ui::MessageIcon::Question;
      question.owner = form_.get();
      const ui::ModalResult answer = ui::ShowMessageDialog(app_, question);
      if (answer == ui::ModalResult::No) {
        if (m.TSetups.empty() && m.Main.SkipDirDialog != 0) {
          app_.terminate();  // there is no page to go back to
        } else {
          NB->setPageIndex(ctx_.window.ReturnPage);
        }
        return;
      }
      CLabel->show();
      Label1->show();
      PM->releaseNext();
      PM->releaseBack();
      NextBtn->hide();
      PrevBtn->hide();
      driver_.RunInstallation(*this);
      return;
    }
    case pgFinal:
      PrepareFinalPage();
      return;
    default:
      return;
  }
}

void InstallForm::BreakBtnClick() {
  if (ctx_.os.files().fileExists(ctx_.window.ProgramDir + kMarkerFileName)) {
    ctx_.window.BreakRequested = true;
    return;
  }
  const ui::ModalResult answer = app_.messageBox(kBreakQuestion, "Подтверждение", ui::MessageButtons::YesNo,
                                                 ui::MessageIcon::Question, 1);
  ctx_.window.BreakRequested = answer == ui::ModalResult::Yes;
}

void InstallForm::CancelBtn3Click() {
  BreakBtnClick();
  if (ctx_.window.BreakRequested) form_->close();
}

void InstallForm::WTimerTimer() {
  WTimer->setEnabled(false);
  const ui::ModalResult closed = app_.messageBox(kCloseProgramsWarning, "Предупреждение", ui::MessageButtons::Ok,
                                                 ui::MessageIcon::Information);
  static_cast<void>(closed);  // one button: the box only has to be closed
  NB->notifyPageChanged();
}

void InstallForm::AskTimerTimer() {
  int32_t& step = ctx_.window.BlinkStep;
  if (step < 1 || step > 15) step = 1;
  AskDisk->setFontColor(kBlinkColors[step - 1]);
  AskDisk->repaint();
  step = step + 1 > 15 ? 1 : step + 1;
}

}  // namespace wizard
