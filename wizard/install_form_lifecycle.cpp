// frmInstall's creation, first show and close: the spine of the run.

#include "actions/directories.h"
#include "archive/extract_all.h"
#include "bde/find_engine_dir.h"
#include "startup/code_page_conversion.h"
#include "startup/script_reader.h"
#include "platform/system_paths.h"
#include "startup/tools.h"
#include "wizard/install_form.h"

namespace wizard {

namespace {

inline constexpr const char kRestartQuestion[] =
    "Для правильной работы установленной программы необходимо произвести перезагрузку компьютера. "
    "Выполнить ее сейчас?";

// The directory part of a file name, with its trailing backslash.
std::string DirectoryOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string DriveOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  return {};
}

// The option a Final page box stands for, by its tag.
enum BoxTag : int { tagReadme = 1, tagRunApp = 2, tagRestart = 3 };

}  // namespace

std::string UnusablePathMessage(const std::string& path) {
  return "Имя папки " + path +
         " содержит буквы, которых нет в кодовой странице Windows-1251 (здесь они заменены знаком \"?\"), "
         "а короткого имени у этой папки нет. Установка невозможна.";
}

InstallForm::InstallForm(ui::Application& app, startup::SetupContext& ctx, DialogServices& dialogs,
                         InstallationDriver& driver)
    : app_(app), ctx_(ctx), dialogs_(dialogs), driver_(driver), runEnd_(app) {
  form_ = std::make_unique<ui::Form>(app, "frmInstall");
  BuildLayout();
  FormCreate();
  // The page manager shows Start while the script is not yet read; its
  // entry does nothing then.
  PM->start();
}

InstallForm::~InstallForm() {
  // Handlers must not reach this object while the widgets go away.
  PM.reset();
  form_.reset();
}

void InstallForm::FormCreate() {
  startup::SetupDataModel& m = ctx_.model;
  startup::WindowState& w = ctx_.window;
  platform::Platform& os = ctx_.os;

  m.OsKind = startup::GetOsKind(os.system());
  FLabel->setLeft(CLabel->left() + CLabel->width() + 5);
  w.BlinkStep = 1;
  w.Completed = false;

  // Only the name is kept; the RunLib step makes a directory of it later.
  m.RunLibWorkDir.clear();
  if (auto temp = os.files().tempPath(); temp.ok()) {
    if (auto name = os.files().tempFileName(temp.value(), "Setup", 0); name.ok()) {
      m.RunLibWorkDir = name.value();
      if (os.files().fileExists(name.value())) {
        const platform::Status removed = os.files().removeFile(name.value());
        static_cast<void>(removed);  // a leftover empty file does no harm
      }
    }
  }

  w.BreakRequested = false;
  // The drive's root: letter, colon, backslash.
  const std::string drive = DriveOf(os.system().modulePath());
  w.SourceDrive = drive.empty() ? std::string() : drive + "\\";
  w.SourceIsRemovable = !w.SourceDrive.empty() && os.files().driveType(w.SourceDrive) == platform::DriveType::removable;
  w.ActionFlags = 0;
  ctx_.lists = startup::RunLists{};
}

void InstallForm::FormShow() {
  startup::SetupDataModel& m = ctx_.model;
  platform::Platform& os = ctx_.os;

  m.SystemDir = startup::NormalizeDir(os.system().systemDirectory());
  m.WindowsDir = startup::NormalizeDir(os.system().windowsDirectory());
  ctx_.window.ProgramDir = startup::NormalizeDir(DirectoryOf(os.system().modulePath()));
  m.DatabaseEngineDir = bde::FindEngineDir(os.registry(), m.WindowsDir);
  m.SourceDir = ctx_.window.ProgramDir;
  if (!SystemPathsUsable()) return;  // the report has ended the run

  engineTempDir_ = ExtractEngineArchive();
  if (startup::IsBlank(engineTempDir_)) return;  // the error report has ended the run

  LoadHookLibrary();

  const startup::ScriptReadResult script = startup::ReadSetupScript(ctx_, engineTempDir_ + "Install.Ini");
  if (!script.ok()) {
    // The reader has told the user why. None of the script's tables exist,
    // so nothing below may run: clean up what was unpacked and end.
    m.ReleaseScriptTables();
    DeleteTempFiles();
    app_.terminate();
    return;
  }

  background_ = dialogs_.ShowBackground(m.Main.Title, m.Main.Color);

  if (!startup::IsBlank(m.Main.Licence) && os.files().fileExists(engineTempDir_ + m.Main.Licence)) {
    if (!dialogs_.ShowLicence(engineTempDir_ + m.Main.Licence)) {
      app_.terminate();
      return;
    }
  }

  startup::ResolveDirectoryVariables(ctx_);

  form_->setCaption(form_->caption() + m.Main.Title);
  PBar->setMax(static_cast<int>(m.FilesData.size()));
  const std::string& caption = form_->caption();
  Title->setCaption(caption.size() > 20 ? caption.substr(20, 200) : std::string());
  CopyrightLabel->setCaption(startup::IsBlank(m.Main.Copyright) ? std::string(" ") : "  © " + m.Main.Copyright);

  BuildDirectoryPage();
  ctx_.window.SetupTypeIndex = 0;
  BuildSetupTypePage();
  FillComponentList();
  WTimer->setEnabled(true);
}

bool InstallForm::SystemPathsUsable() {
  // The platform gives a path whose letters 1251 lacks in its short form;
  // one that still carries '?' names nothing, and every file the run made
  // there would be lost. Say which, rather than fail later for no clear
  // reason.
  auto temp = ctx_.os.files().tempPath();
  const std::string paths[] = {
      ctx_.window.ProgramDir,
      temp.ok() ? temp.value() : std::string(),
      ctx_.model.WindowsDir,
      ctx_.model.SystemDir,
  };
  for (const std::string& path : paths) {
    if (!platform::HoldsUnrepresentableLetters(path)) continue;
    actions::ReportActionError(ctx_, runEnd_, actions::aeMessage, UnusablePathMessage(path));
    return false;
  }
  return true;
}

std::string InstallForm::ExtractEngineArchive() {
  platform::Platform& os = ctx_.os;
  startup::SetupDataModel& m = ctx_.model;
  const std::string archivePath = DirectoryOf(os.system().modulePath()) + "install.dat";
  if (!os.files().fileExists(archivePath)) {
    actions::ReportActionError(ctx_, runEnd_, actions::aeNoScript, "");
    return {};
  }
  auto temp = os.files().tempPath();
  const std::string tempDir = temp.ok() ? temp.value() : std::string();

  m.ArchivePassword = startup::kEngineArchivePassword;
  const archive::ExtractAllResult extracted =
      archive::ExtractAll(os.files(), archivePath, tempDir, m.ArchivePassword, &ctx_.lists.TempFileList);
  m.ArchivePassword.clear();

  if (extracted.outcome == archive::ExtractOutcome::cannotOpen) {
    actions::ReportActionError(ctx_, runEnd_, actions::aeMessage, actions::kOpenArchiveFailed);
    return {};
  }
  // A member that fails ends the extraction without a message: what is
  // missing then shows up as a missing script or licence.
  return startup::NormalizeDir(tempDir);
}

void InstallForm::LoadHookLibrary() {
  const std::string path = engineTempDir_ + "Install.Dll";
  if (!ctx_.os.files().fileExists(path)) return;
  auto loaded = ctx_.os.libraries().load(path);
  if (!loaded.ok()) return;
  std::shared_ptr<platform::Library> library = std::move(loaded.value());
  if (!library->hasEntry("CheckFile")) return;
  // The hook holds the library: it stays loaded for as long as the model
  // can call it.
  ctx_.model.CheckFile = [library](const std::string& memberName) {
    const platform::CallArg arg{memberName};
    auto answer = library->call("CheckFile", std::span<const platform::CallArg>(&arg, 1));
    if (!answer.ok()) return true;  // a call that fails has no opinion
    return (answer.value() & 0xFF) != 0;
  };
}

void InstallForm::DeleteTempFiles() {
  platform::FileSystem& fs = ctx_.os.files();
  for (const std::string& path : ctx_.lists.TempFileList) {
    if (!fs.fileExists(path)) continue;
    // A file in use (the hook library) stays behind without a message.
    const platform::Status removed = fs.removeFile(path);
    static_cast<void>(removed);
  }
}

void InstallForm::FormClose() {
  startup::SetupDataModel& m = ctx_.model;
  platform::Platform& os = ctx_.os;
  m.ReleaseScriptTables();
  DeleteTempFiles();
  if (!ctx_.window.Completed) return;

  ctx_.lists = startup::RunLists{};
  bool readmeView = false;
  bool runApp = false;
  bool restartWindows = false;
  for (ui::CheckBox* box : Boxes) {
    if (!box->visible()) continue;
    switch (box->tag()) {
      case tagReadme: readmeView = box->checked(); break;
      case tagRunApp: runApp = box->checked(); break;
      case tagRestart: restartWindows = box->checked(); break;
      default: break;
    }
  }
  if (restartWindows) runApp = false;
  // The user's final choices are the run's settings from here on.
  m.Main.ReadmeView = readmeView;
  m.Main.RunApp = runApp;
  m.Main.RestartWindows = restartWindows;

  if (readmeView && os.files().fileExists(m.Main.ReadmeFile)) dialogs_.ShowReadme(m.Main.ReadmeFile);

  if (runApp && !m.RestartNeeded && os.files().fileExists(m.Main.RunFile)) {
    // The program starts in its own directory; whether the shell managed to
    // start it is not acted on.
    const platform::Status cd = os.system().setCurrentDirectory(DirectoryOf(m.Main.RunFile));
    static_cast<void>(cd);
    const platform::Status opened = os.shell().open(m.Main.RunFile, "", "", 5);
    static_cast<void>(opened);
  }

  bool restart = restartWindows;
  if (!restart && m.RestartNeeded) {
    restart = startup::SetupMessage(ctx_.ui, kRestartQuestion, startup::MessageKind::question) == startup::mrYes;
  }
  if (restart) {
    const bool asked = actions::RebootWindows(ctx_);
    static_cast<void>(asked);  // nothing is left to do if Windows refuses
  }
}

}  // namespace wizard
