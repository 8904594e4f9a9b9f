#include "uninstall/uninstall_program.h"

#include "platform/files.h"
#include "uninstall/undo.h"

namespace uninstall {

namespace {

constexpr size_t kMaxListedProblems = 15;

ui::ModalResult Show(ui::Application& app, const std::string& text, ui::MessageButtons buttons, ui::MessageIcon icon,
                     const ui::Form* owner = nullptr) {
  ui::MessageBoxRequest r;
  r.text = text;
  r.caption = kCaption;
  r.buttons = buttons;
  r.icon = icon;
  r.owner = owner;
  return app.messageBox(r);
}

class FormUi : public UndoUi {
 public:
  FormUi(ui::Application& app, UninstallForm& form) : app_(app), form_(form) {}
  void progress(size_t done, size_t total, const std::string& what) override {
    form_.Bar.setMax(static_cast<int>(total));
    form_.Bar.setPosition(static_cast<int>(done));
    form_.ItemLabel.setCaption(what);
    app_.processMessages();
  }
  bool askRemoveSharedFile(const std::string& path) override {
    return Show(app_,
                "Общий файл\n" + path +
                    "\nбольше не используется ни одной программой. Удалить его?\n\n"
                    "Если вы не уверены, оставьте файл: это ничему не помешает.",
                ui::MessageButtons::YesNo, ui::MessageIcon::Question, &form_) == ui::ModalResult::Yes;
  }
  bool askRemoveEngine() override {
    return Show(app_, "Ядро баз данных больше не используется ни одной программой. Удалить его?",
                ui::MessageButtons::YesNo, ui::MessageIcon::Question, &form_) == ui::ModalResult::Yes;
  }

 private:
  ui::Application& app_;
  UninstallForm& form_;
};

}  // namespace

std::string LogPathFromArguments(const std::string& arguments) {
  size_t i = arguments.find_first_not_of(" \t");
  if (i == std::string::npos) return {};
  if (arguments[i] == '"') {
    size_t end = arguments.find('"', i + 1);
    return arguments.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
  }
  size_t end = arguments.find_first_of(" \t", i);
  return arguments.substr(i, end == std::string::npos ? std::string::npos : end - i);
}

UninstallForm::UninstallForm(ui::Application& app, const std::string& title)
    : ui::Form(app, "TUninstallForm"),
      TitleLabel(add<ui::Label>("TitleLabel")),
      ItemLabel(add<ui::Label>("ItemLabel")),
      Bar(add<ui::ProgressBar>("Bar")) {
  setCaption(kCaption);
  setBorderStyle(ui::BorderStyle::Dialog);
  setPosition(ui::FormPosition::ScreenCenter);
  setClientSize(420, 96);
  ui::Font bold;
  bold.bold = true;
  TitleLabel.setBounds(12, 10, 396, 16);
  TitleLabel.setFont(bold);
  TitleLabel.setCaption(title);
  ItemLabel.setBounds(12, 36, 396, 16);
  Bar.setBounds(12, 62, 396, 18);
}

int RunUninstaller(ui::Application& app, startup::SetupContext& ctx, const std::string& arguments) {
  const std::string logPath = LogPathFromArguments(arguments);
  if (logPath.empty()) {
    Show(app, "Не указан журнал установки.\nПрограмму удаления запускает Windows из списка установленных программ.",
         ui::MessageButtons::Ok, ui::MessageIcon::Error);
    return 2;
  }
  auto bytes = platform::readWholeFile(ctx.os.files(), logPath);
  if (!bytes) {
    Show(app, "Не удалось прочитать журнал установки\n" + logPath + "\n(" + bytes.status().toString() +
                  ").\nВозможно, программа уже удалена. Ничего не изменено.",
         ui::MessageButtons::Ok, ui::MessageIcon::Error);
    return 2;
  }
  auto parsed = ParseUninstallLog(bytes.value());
  if (!parsed.log) {
    Show(app, logPath + "\n" + parsed.error + ".\nНичего не изменено.", ui::MessageButtons::Ok,
         ui::MessageIcon::Error);
    return 2;
  }
  const std::string& title = parsed.log->title;
  if (Show(app, "Удалить программу \"" + title + "\" со всеми её компонентами?", ui::MessageButtons::YesNo,
           ui::MessageIcon::Question) != ui::ModalResult::Yes) {
    return 3;
  }

  UninstallForm form(app, title);
  form.showForm();
  FormUi formUi(app, form);
  UndoReport report;
  {
    ui::CursorScope wait(app, ui::Cursor::Wait);
    report = UndoInstallation(ctx, logPath, *parsed.log, formUi);
    RemoveUninstaller(ctx, ctx.os.system().modulePath(), *parsed.log, report);
  }
  if (report.alreadyRemoved) {
    Show(app, "Программа \"" + title + "\" уже удалена. Ничего не изменено.", ui::MessageButtons::Ok,
         ui::MessageIcon::Information, &form);
    return 2;
  }
  std::string text;
  if (report.problems.empty()) {
    text = "Программа \"" + title + "\" удалена.";
  } else {
    text = "Удаление завершено, но удалить удалось не всё:\n";
    for (size_t i = 0; i < report.problems.size() && i < kMaxListedProblems; ++i) text += "\n" + report.problems[i];
    if (report.problems.size() > kMaxListedProblems) {
      text += "\n... и ещё " + std::to_string(report.problems.size() - kMaxListedProblems);
    }
    if (!report.logRemoved) text += "\n\nЖурнал " + logPath + " сохранён: оставшееся можно удалить позже.";
  }
  if (!report.scheduled.empty()) {
    text += "\n\nФайлы, которые сейчас заняты (" + std::to_string(report.scheduled.size()) +
            "), будут удалены при следующем запуске Windows.";
  }
  Show(app, text, ui::MessageButtons::Ok,
       report.problems.empty() ? ui::MessageIcon::Information : ui::MessageIcon::Warning, &form);
  return report.problems.empty() ? 0 : 1;
}

}  // namespace uninstall
