#include "tools/setupkit/simulation.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

#include "platform/sim/machine.h"
#include "startup/context.h"
#include "startup/tools.h"
#include "text/codepage.h"
#include "tools/setupkit/machine_dir.h"
#include "tools/setupkit/native_paths.h"
#include "tools/setupkit/reg_file.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/headless/headless_renderer.h"
#include "ui/message_box.h"
#include "ui/message_dialog.h"
#include "uninstall/undo.h"
#include "uninstall/uninstall_program.h"
#include "wizard/install_form.h"
#include "wizard/message_ui.h"
#include "wizard/wizard_driver.h"

namespace setupkit {

namespace fs = std::filesystem;

namespace {

std::string utf8(const std::string& s1251) { return text::toUtf8(text::CodePage::cp1251, s1251); }
std::string to1251(const std::string& u) { return text::fromUtf8(text::CodePage::cp1251, u); }
std::string fold(const std::string& s1251) { return text::upper1251(s1251); }
bool contains(const std::string& hay, const std::string& needle) {
  return fold(hay).find(fold(needle)) != std::string::npos;
}

std::string oneLine(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  std::string out;
  for (char c : s)
    if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
  return out;
}

const char* pageName(int page) {
  switch (page) {
    case wizard::pgStart: return "Start (directories)";
    case wizard::pgSetupType: return "SetupType";
    case wizard::pgCustom: return "Custom (components)";
    case wizard::pgProcess: return "Process (copying)";
    case wizard::pgFinal: return "Final";
  }
  return "?";
}

// The headless renderer answering from the answers file instead of a test's
// expectations, and writing down everything it was shown.
class AnsweringRenderer final : public ui::headless::HeadlessRenderer {
 public:
  AnsweringRenderer(const Answers& answers, std::vector<std::string>& log)
      : HeadlessRenderer([&log](const std::string& m) { log.push_back("problem: " + m); }),
        answers_(answers),
        log_(log) {}

  ui::ModalResult messageBox(const ui::MessageBoxRequest& r) override {
    const auto results = ui::resultsOf(r.buttons);
    ui::ModalResult answer = results.front();
    std::string how = "default";
    for (const auto& [part, word] : answers_.messages) {
      if (!contains(r.text, part)) continue;
      for (ui::ModalResult m : results) {
        if ((IniWord(word, "yes") && m == ui::ModalResult::Yes) || (IniWord(word, "no") && m == ui::ModalResult::No) ||
            (IniWord(word, "ok") && m == ui::ModalResult::Ok) || (IniWord(word, "cancel") && m == ui::ModalResult::Cancel)) {
          answer = m;
          how = "answers file";
        }
      }
      break;
    }
    if (how == "default" && contains(r.text, "копирование файлов") &&
        std::find(results.begin(), results.end(), ui::ModalResult::No) != results.end()) {
      answer = answers_.confirmCopy ? ui::ModalResult::Yes : ui::ModalResult::No;
      copyRefused_ = copyRefused_ || !answers_.confirmCopy;
    }
    if (r.caption == actions::kFatalErrorCaption) fatal_ = r.text;
    log_.push_back("message \"" + utf8(r.caption) + "\": " + oneLine(utf8(r.text)) + " -> " + ui::nameOf(answer));
    return answer;
  }

  ui::ModalResult runModal(ui::Form& form) override {
    showForm(form);
    const std::string name = form.name();
    std::string answerText = "Cancel (not answered)";
    if (name == "TAskForOverwrite") {
      const std::string file = form.get<ui::Label>("FLabel").caption();
      OverwriteAnswer a = answers_.overwriteFor(file).value_or(answers_.overwriteDefault);
      const char* button = a == OverwriteAnswer::yes        ? "YesBtn"
                           : a == OverwriteAnswer::no       ? "NoBtn"
                           : a == OverwriteAnswer::yesToAll ? "YesToAllBtn"
                                                            : "NoToAllBtn";
      click(form.get<ui::Button>(button));
      answerText = button;
      if (a == OverwriteAnswer::no || a == OverwriteAnswer::noToAll) keptByAnswer_.push_back(fold(file));
      log_.push_back("overwrite question for " + utf8(file) + " -> " + answerText);
    } else if (name == "TAskForm") {
      if (answers_.volumeFolder) {
        typeText(form.get<ui::PathEdit>("NextDisk"), *answers_.volumeFolder);
        click(form.get<ui::Button>("OKBtn"));
        answerText = "OK with " + utf8(*answers_.volumeFolder);
      } else {
        click(form.get<ui::Button>("CancelBtn"));
        answerText = "Cancel";
      }
      log_.push_back("next-volume prompt -> " + answerText);
      if (!form.modalEnded()) log_.push_back("  the volume is not in that folder; the prompt is cancelled");
    } else if (name == "TfrmAskFloppy") {
      click(form.get<ui::Button>(answers_.volumeFolder ? "Button1" : "Button2"));
      log_.push_back(std::string("next-diskette prompt -> ") + (answers_.volumeFolder ? "continue" : "cancel"));
    } else if (name == ui::kMessageDialogName) {
      // The program's own message dialog (the copy confirmation): answered
      // like a message box with the same text and buttons.
      ui::MessageBoxRequest r;
      r.caption = form.caption();
      if (auto* text = form.find<ui::Label>("Message")) r.text = text->caption();
      const bool yes = form.find<ui::Button>(ui::nameOf(ui::ModalResult::Yes)) != nullptr;
      const bool cancel = form.find<ui::Button>(ui::nameOf(ui::ModalResult::Cancel)) != nullptr;
      r.buttons = yes ? (cancel ? ui::MessageButtons::YesNoCancel : ui::MessageButtons::YesNo)
                      : (cancel ? ui::MessageButtons::OkCancel : ui::MessageButtons::Ok);
      const ui::ModalResult answer = messageBox(r);
      if (auto* button = form.find<ui::Button>(ui::nameOf(answer))) click(*button);
      else form.setModalResult(answer);
    } else {
      log_.push_back("dialog " + name + " \"" + utf8(form.caption()) + "\": closed with Cancel (no answer for it)");
    }
    if (!form.modalEnded()) form.setModalResult(ui::ModalResult::Cancel);
    hideForm(form);
    return form.modalResult();
  }

  std::optional<std::string> browseForFolder(const ui::FolderDialogRequest&) override {
    log_.push_back("folder dialog: cancelled");
    return std::nullopt;
  }
  std::optional<std::string> openFileDialog(const ui::FileDialogRequest&) override {
    log_.push_back("file dialog: cancelled");
    return std::nullopt;
  }
  std::optional<int> popupMenu(const ui::PopupMenuRequest&) override { return std::nullopt; }

  // Pending messages are processed after every change of the Process page:
  // the moment to note what it shows.
  void processMessages() override {
    if (watch) watch();
    HeadlessRenderer::processMessages();
  }
  std::function<void()> watch;

  const std::string& fatalText() const { return fatal_; }
  bool copyRefused() const { return copyRefused_; }
  bool keptByAnswer(const std::string& target) const {
    return std::find(keptByAnswer_.begin(), keptByAnswer_.end(), fold(target)) != keptByAnswer_.end();
  }

 private:
  static bool IniWord(const std::string& a, const char* b) { return fold(a) == fold(b); }

  const Answers& answers_;
  std::vector<std::string>& log_;
  std::string fatal_;
  bool copyRefused_ = false;
  std::vector<std::string> keptByAnswer_;
};

class AnsweringDialogs final : public wizard::DialogServices {
 public:
  AnsweringDialogs(const Answers& answers, std::vector<std::string>& log, platform::FileSystem& fs)
      : answers_(answers), log_(log), fs_(fs) {}
  bool ShowLicence(const std::string& path) override {
    log_.push_back("licence " + utf8(path) + " -> " + (answers_.acceptLicence ? "accepted" : "declined"));
    declined = !answers_.acceptLicence;
    return answers_.acceptLicence;
  }
  void ShowReadme(const std::string& path) override {
    log_.push_back("readme shown: " + utf8(path) + (fs_.fileExists(path) ? "" : " (no such file: nothing shown)"));
  }
  std::unique_ptr<wizard::WindowHold> ShowBackground(const std::string&, int32_t color) override {
    if (color == 0) return nullptr;
    log_.push_back("background window shown");
    return std::make_unique<wizard::WindowHold>();
  }
  bool declined = false;

 private:
  const Answers& answers_;
  std::vector<std::string>& log_;
  platform::FileSystem& fs_;
};

// Copies the medium onto drive D: of the machine.
bool loadPackage(const fs::path& dir, platform::sim::Machine& machine, std::string& modulePath, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    error = fromPath(dir) + ": not a folder";
    return false;
  }
  for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::string rel = to1251(fromPath(it->path().lexically_relative(dir)));
    std::replace(rel.begin(), rel.end(), '/', '\\');
    std::string path = "D:\\" + rel;
    if (it->is_directory(ec)) {
      (void)machine.addDirectory(path);
    } else if (it->is_regular_file(ec)) {
      auto data = readHostFile(it->path());
      if (!data || !machine.addFile(path, *data, platform::attr::readOnly).ok()) {
        error = fromPath(it->path()) + ": cannot be read";
        return false;
      }
    }
  }
  // The engine lies beside install.dat: at the top, or in Disk1.
  if (machine.files().fileExists("D:\\install.dat")) {
    modulePath = "D:\\SETUP.EXE";
  } else if (machine.files().fileExists("D:\\Disk1\\install.dat")) {
    modulePath = "D:\\Disk1\\SETUP.EXE";
  } else {
    error = fromPath(dir) + ": no install.dat (at the top or in Disk1): not a distribution medium";
    return false;
  }
  return true;
}

struct Snapshot {
  std::map<std::string, std::string> files;
  reg::File registry;
};

Snapshot snapshot(platform::sim::Machine& m) { return {DriveFiles(m, 'C'), reg::Export(m.registry())}; }

std::string sizeText(size_t n) { return std::to_string(n) + " bytes"; }


// The uninstaller asks its own questions; the engine's message seam stays
// silent.
class NoMessages : public startup::MessageUi {
 public:
  int showMessage(const std::string&, startup::MessageKind) override { return startup::mrOk; }
  startup::Cursor cursor() const override { return startup::Cursor::arrow; }
  void setCursor(startup::Cursor) override {}
};

// The uninstaller's questions: a shared file nobody counts any more goes, as
// the example answers it; the database engine stays.
class AnsweringUndoUi : public uninstall::UndoUi {
 public:
  explicit AnsweringUndoUi(std::vector<std::string>& log) : log_(log) {}
  void progress(size_t, size_t, const std::string&) override {}
  bool askRemoveSharedFile(const std::string& path) override {
    log_.push_back("question: remove the shared file " + utf8(path) + "? -> yes");
    return true;
  }
  bool askRemoveEngine() override {
    log_.push_back("question: remove the database engine? -> no");
    return false;
  }

 private:
  std::vector<std::string>& log_;
};

// Runs the uninstaller as Windows starts it from the Uninstall entry: the
// log named in UninstallString, on the same machine.
void Uninstall(platform::sim::Machine& machine, const Snapshot& beforeInstall, SimulationReport& report) {
  auto& out = report.uninstalled;
  constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  std::string command;
  if (auto root = machine.registry().open(platform::Root::localMachine, kUninstallKey, platform::Access::read)) {
    auto names = root.value()->subkeys();
    for (const std::string& name : names.ok() ? names.value() : std::vector<std::string>{}) {
      auto key = machine.registry().open(platform::Root::localMachine, std::string(kUninstallKey) + "\\" + name,
                                         platform::Access::read);
      if (!key) continue;
      auto value = key.value()->read("UninstallString");
      if (value && value.value().isText()) command = value.value().data;
    }
  }
  if (command.empty()) {
    out.push_back("no Uninstall entry holds an UninstallString: nothing to run");
    return;
  }
  // The program's short path, then the quoted log.
  const size_t space = command.find(' ');
  const std::string logPath = uninstall::LogPathFromArguments(space == std::string::npos ? "" : command.substr(space));
  out.push_back("UninstallString: " + utf8(command));
  auto bytes = platform::readWholeFile(machine.files(), logPath);
  if (!bytes) {
    out.push_back("cannot read the log " + utf8(logPath) + ": " + bytes.status().toString());
    return;
  }
  auto parsed = uninstall::ParseUninstallLog(bytes.value());
  if (!parsed.log) {
    out.push_back("refused: " + utf8(parsed.error));
    return;
  }
  NoMessages quiet;
  startup::SetupContext ctx(machine, quiet);
  ctx.model.SystemDir = startup::NormalizeDir(machine.system().systemDirectory());
  ctx.model.WindowsDir = startup::NormalizeDir(machine.system().windowsDirectory());
  AnsweringUndoUi answers(out);
  uninstall::UndoReport undo = uninstall::UndoInstallation(ctx, logPath, *parsed.log, answers);
  uninstall::RemoveUninstaller(ctx, command.substr(0, space), *parsed.log, undo);
  if (undo.alreadyRemoved) out.push_back("the installation was removed before: nothing changed");
  out.push_back(std::to_string(undo.undone) + " log entries undone" + (undo.logRemoved ? ", the log removed" : ""));
  for (const auto& p : undo.problems) out.push_back("not removed: " + utf8(p));
  for (const auto& p : undo.scheduled) out.push_back("removed at the next start: " + utf8(p));

  const Snapshot after = snapshot(machine);
  auto& left = report.leftAfterUninstall;
  for (const auto& [path, data] : after.files) {
    auto old = beforeInstall.files.find(path);
    if (old == beforeInstall.files.end()) left.push_back("+ " + utf8(path));
    else if (old->second != data) left.push_back("~ " + utf8(path));
  }
  for (const auto& [path, data] : beforeInstall.files)
    if (!after.files.count(path)) left.push_back("- " + utf8(path));
  for (const auto& line : reg::Diff(beforeInstall.registry, after.registry)) left.push_back("registry " + line);
}

}  // namespace

SimulationReport Simulate(const SimulationRequest& rq) {
  SimulationReport report;
  auto& log = report.happened;
  platform::sim::Machine machine;
  MachineDescription desc;
  if (rq.machineDir && !LoadMachineDir(*rq.machineDir, machine, desc, report.error)) return report;
  std::string modulePath;
  if (!loadPackage(rq.packageDir, machine, modulePath, report.error)) return report;
  machine.systemState().setModulePath(modulePath);
  (void)machine.systemState().setCurrentDirectory(modulePath.substr(0, modulePath.rfind('\\') + 1));

  const Answers& answers = rq.answers;
  // Install.Dll's CheckFile, as machine.ini describes it.
  const std::string tempDir = startup::NormalizeDir(machine.files().tempPath().valueOr("C:\\WINDOWS\\TEMP\\"));
  if (desc.hookDefault) {
    machine.registerLibrary(tempDir + "Install.Dll",
                            {{"CheckFile", [&desc, &log](std::span<const platform::CallArg> args, platform::sim::Machine&) {
                                std::string member = args.empty() ? std::string() : std::get<std::string>(args[0]);
                                auto it = desc.hookAnswers.find(member);
                                bool place = it != desc.hookAnswers.end() ? it->second : *desc.hookDefault;
                                log.push_back("hook CheckFile(" + utf8(member) + ") -> " + (place ? "place" : "skip"));
                                return uint32_t(place ? 1 : 0);
                              }}});
  }

  const Snapshot before = snapshot(machine);

  std::unique_ptr<AnsweringRenderer> owned = std::make_unique<AnsweringRenderer>(answers, log);
  AnsweringRenderer& ui = *owned;
  ui::Application app(std::move(owned));
  wizard::WizardMessageUi messages(app);
  startup::SetupContext ctx(machine, messages);
  AnsweringDialogs dialogs(answers, log, machine.files());
  wizard::WizardDriver driver;  // the driver on the wizard's window, as setup.exe runs it
  int lastPage = -1;
  std::vector<std::string> uninstallLines;
  {
    wizard::InstallForm form(app, ctx, dialogs, driver);
    wizard::PlugRollBack(form);
    form.form().showForm();  // the loading steps

    // RunLib files behave as machine.ini says (programs exit 0, libraries
    // succeed, gates say run, unless told otherwise).
    for (const auto& r : ctx.model.TRuns) {
      const std::string dir = ctx.model.RunLibWorkDir + "\\";
      const std::string name = r.RunName.str();
      auto result = desc.runResults.find(name);
      if (r.IsExe) {
        uint32_t code = result != desc.runResults.end() ? result->second : 0;
        machine.registerProgram(dir + name, [code, name, &log](const std::string&, const std::string&, platform::sim::Machine&) {
          log.push_back("RunLib program " + utf8(name) + " ran, exit code " + std::to_string(code));
          return code;
        });
      } else {
        uint32_t ok = result != desc.runResults.end() ? result->second : 1;
        machine.registerLibrary(dir + name, {{"Install", [ok, name, &log](std::span<const platform::CallArg>, platform::sim::Machine&) {
                                                log.push_back("RunLib library " + utf8(name) + " Install -> " + std::to_string(ok));
                                                return ok;
                                              }}});
      }
      auto gate = desc.runResults.find("Should.Dll");
      uint32_t should = gate != desc.runResults.end() ? gate->second : 1;
      machine.registerLibrary(dir + "Should.Dll", {{"ShouldBe", [should](std::span<const platform::CallArg>, platform::sim::Machine&) {
                                                      return should;
                                                    }}});
    }

    // The Process page's steps as they are shown.
    std::string lastStep;
    ui.watch = [&form, &log, &lastStep] {
      const std::string step = form.CLabel->caption();
      if (step.empty() || step == lastStep || !form.CLabel->isShowing()) return;
      lastStep = step;
      log.push_back("step: " + oneLine(utf8(step)));
    };

    // A Break during the run: a user's click on Break when its moment comes.
    if (answers.breakAt) {
      const std::string where = *answers.breakAt;
      std::function<bool()> when;
      if (fold(where) == fold("Process")) {
        when = [&form] { return form.NB->pageIndex() == wizard::pgProcess && form.BreakBtn->isUsable(); };
      } else if (fold(where).rfind("FILE:", 0) == 0) {
        std::string file = where.substr(5);
        when = [&form, file] { return form.BreakBtn->isUsable() && fold(form.FLabel->caption()) == fold(file); };
      } else if (fold(where) != fold("Start") && fold(where) != fold("SetupType") && fold(where) != fold("Custom")) {
        std::string step = fold(where).rfind("STEP:", 0) == 0 ? where.substr(5) : where;
        when = [&form, step] { return form.BreakBtn->isUsable() && contains(form.CLabel->caption(), step); };
      }
      if (when) {
        ui.queue("Break at " + utf8(where), [&ui, &form, &log, where] {
          log.push_back("Break pressed (" + utf8(where) + ")");
          ui.click(*form.BreakBtn);
        }, when);
      }
    }

    // Files placed or skipped, and why (before the close steps release the tables).
    bool filesDescribed = false;
    auto describeFiles = [&] {
      if (filesDescribed) return;
      filesDescribed = true;
    for (const auto& f : ctx.model.FilesData) {
        const std::string target = f.TargetDir.str() + f.TargetName.str();
        bool placed = false;
        for (const auto& p : ctx.lists.PlacedFiles) placed = placed || fold(p) == fold(target);
        std::string why;
        if (placed) why = "placed " + utf8(target);
        else if (!f.Selected) why = "not selected (its group was not chosen)";
        else if (desc.hookDefault && desc.hookAnswers.count(f.ArchiveName.str()) && !desc.hookAnswers.at(f.ArchiveName.str()))
          why = "skipped: the hook said no";
        else if (ui.keptByAnswer(f.TargetName.str())) why = "kept the existing file: overwrite answered No";
        else if (!report.installed) why = "not placed: the run did not finish";
        else why = "not placed: the placement rules kept the existing file (install mode, version, date or condition)";
        log.push_back("file " + utf8(f.ArchiveName.str()) + ": " + why);
      }
    };

    if (!ui.quitRequested()) ui.advance(200);  // the first tick: the warning, then the pages
    for (int guard = 0; guard < 40 && !ui.quitRequested(); ++guard) {
      const int page = form.NB->pageIndex();
      if (page != lastPage) log.push_back("page " + std::string(pageName(page)));
      const bool samePageAgain = page == lastPage;
      lastPage = page;
      auto cancelHere = [&](ui::Button* b) {
        log.push_back("Cancel pressed on " + std::string(pageName(page)));
        ui.click(*b);
      };
      const std::string breakAt = answers.breakAt ? fold(*answers.breakAt) : std::string();
      if (page == wizard::pgStart) {
        if (breakAt == fold("Start") || (samePageAgain && ui.copyRefused())) {
          cancelHere(form.CancelBtn);
          break;
        }
        for (const auto& [n, path] : answers.directories) {
          auto* edit = form.SB->find<ui::PathEdit>("DirEdit" + std::to_string(n));
          if (!edit) {
            log.push_back("problem: the answers name Dir" + std::to_string(n) + ", which the Start page does not show");
          } else if (edit->text() != path) {
            ui.typeText(*edit, path);
            log.push_back("Dir" + std::to_string(n) + " := " + utf8(path));
          }
        }
      } else if (page == wizard::pgSetupType) {
        if (breakAt == fold("SetupType") || (samePageAgain && ui.copyRefused())) {
          cancelHere(form.CancelBtn2);
          break;
        }
        if (answers.setupType) {
          const std::string want = *answers.setupType;
          ui::RadioButton* choice = nullptr;
          if (fold(want) == fold("Custom")) choice = form.SetupGroup->find<ui::RadioButton>("CustomRadio");
          for (size_t i = 0; !choice && i < ctx.model.TSetups.size(); ++i) {
            if (want == std::to_string(i + 1) || fold(ctx.model.TSetups[i].Name.str()) == fold(want))
              choice = form.SetupGroup->find<ui::RadioButton>("SetupRadio" + std::to_string(i + 1));
          }
          if (!choice) {
            log.push_back("problem: no setup type " + utf8(want) + "; the one shown is kept");
          } else if (!choice->checked()) {
            ui.click(*choice);
          }
          if (choice) log.push_back("setup type: " + utf8(choice->caption()));
        }
      } else if (page == wizard::pgCustom) {
        if (breakAt == fold("Custom") || (samePageAgain && ui.copyRefused())) {
          cancelHere(form.CancelBtn3);
          break;
        }
        if (answers.components) {
          ui::CheckList& list = *form.CustomBox;
          for (int i = 0; i < list.count(); ++i) {
            bool want = false;
            for (const auto& c : *answers.components)
              want = want || c == std::to_string(i + 1) || fold(c) == fold(list.item(i).caption);
            if (list.checked(i) != want && list.itemEnabled(i)) ui.toggleItem(list, i);
          }
        }
        std::string chosen;
        for (int i = 0; i < form.CustomBox->count(); ++i)
          if (form.CustomBox->checked(i)) chosen += (chosen.empty() ? "" : ", ") + utf8(form.CustomBox->item(i).caption);
        log.push_back("components: " + (chosen.empty() ? std::string("none") : chosen));
      } else if (page == wizard::pgFinal) {
        for (ui::CheckBox* box : form.Boxes) {
          if (!box || !box->isShowing()) continue;
          const char* key = box->tag() == 1 ? "readme" : box->tag() == 2 ? "run" : "restart";
          auto want = answers.finalBoxes.find(key);
          if (want != answers.finalBoxes.end() && want->second != box->checked()) ui.click(*box);
          log.push_back("final box \"" + utf8(box->caption()) + "\": " + (box->checked() ? "checked" : "not checked"));
        }
        report.installed = true;
        uninstallLines = ctx.lists.UninstallLines;
        describeFiles();
        log.push_back("Finish pressed");
        ui.click(*form.NextBtn);
        ui.advance(1000);
        break;
      } else {
        break;  // Process: the run stopped there
      }
      if (!ui.quitRequested() && form.NextBtn->isUsable()) ui.click(*form.NextBtn);
      if (!ui.quitRequested()) ui.advance(1000);  // deferred folder reports and the like
    }
    if (!report.installed) {
      if (!ui.fatalText().empty()) report.reason = "the run failed: " + oneLine(utf8(ui.fatalText()));
      else if (dialogs.declined) report.reason = "the licence was declined";
      else if (ui.copyRefused()) report.reason = "the copy confirmation was refused";
      else if (ctx.window.BreakRequested) report.reason = "the user broke off the installation";
      else if (lastPage == wizard::pgProcess) report.reason = "the run stopped on the Process page";
      else if (ui.quitRequested()) report.reason = "the program ended before the installation (see the messages)";
      else report.reason = "the wizard did not reach the Final page";
    }

    if (!report.installed) describeFiles();
    ui.discardPendingActions();
  }

  // --- what changed ---
  const Snapshot after = snapshot(machine);
  auto& ch = report.changed;
  for (const auto& [path, data] : after.files) {
    auto old = before.files.find(path);
    if (old == before.files.end()) ch.push_back("+ " + utf8(path) + " (" + sizeText(data.size()) + ")");
    else if (old->second != data) ch.push_back("~ " + utf8(path) + " (" + sizeText(old->second.size()) + " -> " + sizeText(data.size()) + ")");
  }
  for (const auto& [path, data] : before.files)
    if (!after.files.count(path)) ch.push_back("- " + utf8(path));
  for (const auto& line : reg::Diff(before.registry, after.registry)) ch.push_back("registry " + line);
  for (const auto& [path, data] : after.files) {
    if (before.files.count(path) || fold(path).size() < 4 || fold(path).substr(fold(path).size() - 4) != ".LNK") continue;
    auto link = machine.shell().loadLink(path);
    if (link.ok())
      ch.push_back("link " + utf8(path) + " -> " + utf8(link.value().target) +
                   (link.value().arguments.empty() ? "" : " " + utf8(link.value().arguments)));
  }
  for (const auto& m : machine.systemState().rebootMoves())
    ch.push_back("at the next start: " + utf8(m.from) + (m.to.empty() ? " deleted" : " -> " + utf8(m.to)));
  for (const auto& o : machine.shellState().opened()) ch.push_back("opened through the shell: " + utf8(o.file));
  if (machine.systemState().restartCount() > 0) ch.push_back("Windows restarted");
  const std::string logFile = ctx.model.Main.LogFile;
  if (report.installed && !logFile.empty() && machine.files().fileExists(logFile)) {
    ch.push_back("uninstall log " + utf8(logFile) + ":");
    auto data = platform::readWholeFile(machine.files(), logFile);
    if (data.ok()) {
      std::string text = data.value(), line;
      for (char c : text) {
        if (c == '\n') {
          if (!line.empty() && line.back() == '\r') line.pop_back();
          ch.push_back("  " + utf8(line));
          line.clear();
        } else {
          line += c;
        }
      }
      if (!line.empty()) ch.push_back("  " + utf8(line));
    }
  } else if (report.installed && !uninstallLines.empty()) {
    ch.push_back("uninstall record (no log file written):");
    for (const auto& l : uninstallLines) ch.push_back("  " + utf8(l));
  }

  if (rq.uninstall && report.installed) Uninstall(machine, before, report);

  if (rq.outDir && !SaveMachineDir(*rq.outDir, machine, desc, report.error)) report.error = "--out: " + report.error;
  return report;
}

}  // namespace setupkit
