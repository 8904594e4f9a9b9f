#pragma once
// The wizard's main window frmInstall: its layout, the startup and close
// steps, the page flow and the handlers of its pages. The components carry
// the names the rest of the engine (and the robot) know them by.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "startup/context.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/notebook.h"
#include "ui/page_manager.h"
#include "wizard/dialog_services.h"
#include "wizard/installation_driver.h"
#include "wizard/pages.h"
#include "wizard/run_end.h"

namespace wizard {

inline constexpr const char kDesignCaption[] = "Установка программы ";  // 20 characters
inline constexpr const char kApplicationTitle[] = "Процедура установки";
inline constexpr const char kMarkerFileName[] = "Developer sign file -- Quillmar is the developer";

// The message that stops a run on a system path with letters 1251 lacks.
std::string UnusablePathMessage(const std::string& path);

class InstallForm {
 public:
  // Builds the window and runs FormCreate; the page manager shows Start.
  InstallForm(ui::Application& app, startup::SetupContext& ctx, DialogServices& dialogs, InstallationDriver& driver);
  ~InstallForm();
  InstallForm(const InstallForm&) = delete;
  InstallForm& operator=(const InstallForm&) = delete;

  ui::Form& form() { return *form_; }
  ui::Application& app() { return app_; }
  startup::SetupContext& ctx() { return ctx_; }
  actions::RunEnd& runEnd() { return runEnd_; }
  WizardRunEnd& wizardRunEnd() { return runEnd_; }
  // The engine temporary directory FormShow extracted into (with backslash).
  const std::string& engineTempDir() const { return engineTempDir_; }

  // --- components ---
  ui::Label* Title = nullptr;
  ui::Label* CopyrightLabel = nullptr;
  ui::Panel* Panel1 = nullptr;
  ui::Notebook* NB = nullptr;
  ui::Button* PrevBtn = nullptr;
  ui::Button* NextBtn = nullptr;
  // Start
  ui::Label* SizeLabel = nullptr;
  ui::SpeedButton* DiskSizeBtn = nullptr;
  ui::GroupBox* GroupBox1 = nullptr;
  ui::ScrollBox* SB = nullptr;
  ui::Button* CancelBtn = nullptr;
  // SetupType
  ui::GroupBox* SetupGroup = nullptr;
  ui::Button* CancelBtn2 = nullptr;
  // Custom
  ui::Label* Label3 = nullptr;
  ui::CheckList* CustomBox = nullptr;
  ui::Button* CancelBtn3 = nullptr;
  // Process
  ui::Label* CLabel = nullptr;
  ui::Label* FLabel = nullptr;
  ui::ProgressBar* FileBar = nullptr;
  ui::Label* Label1 = nullptr;
  ui::ProgressBar* PBar = nullptr;
  ui::Panel* AskDisk = nullptr;
  ui::Button* BreakBtn = nullptr;
  // Final
  ui::Label* FinalLabel = nullptr;
  std::array<ui::CheckBox*, 3> Boxes{};  // Box1, Box2, Box3
  // Timers
  ui::Timer* WTimer = nullptr;
  ui::Timer* AskTimer = nullptr;
  ui::Timer* FolderTimer = nullptr;
  ui::Timer* ColorTimer = nullptr;
  std::unique_ptr<ui::PageManager> PM;

  // --- startup and close (install_form_lifecycle.cpp) ---
  void FormCreate();
  void FormShow();
  void FormClose();

  // --- page flow (page_flow.cpp) ---
  void PMGetNextPage(int current, int& proposal);
  void PMGetPriorPage(int current, int& proposal);
  void NBPageChanged();
  void BreakBtnClick();
  void CancelBtn3Click();
  void WTimerTimer();
  void AskTimerTimer();

  // --- Start page (directory_page.cpp) ---
  void BuildDirectoryPage();
  void DirEditChange(ui::PathEdit& edit);
  void DiskMenuClick(const std::string& itemCaption);
  void StartFolderReport(int dirIndex);
  void FolderTimerTimer();

  // --- SetupType and Custom pages (setup_type_page.cpp) ---
  void BuildSetupTypePage();
  void FillComponentList();
  void SetupGroupClick(ui::RadioButton& button);
  void CustomBoxStateChange(int item);
  void ApplySetupType();

  // --- Final page (final_page.cpp) ---
  void PrepareFinalPage();
  void ColorTimerTimer();
  void NextBtnClick();

 private:
  void BuildLayout();  // install_form_layout.cpp
  // Stops the run (with a message naming it) on a system path whose letters
  // the engine cannot hold.
  bool SystemPathsUsable();
  std::string ExtractEngineArchive();
  void LoadHookLibrary();
  void DeleteTempFiles();
  // The path a Dir entry names now; hidden entries still hold script text.
  std::string CurrentDirPath(size_t index);
  void CopyComponentChoice();

  ui::Application& app_;
  startup::SetupContext& ctx_;
  DialogServices& dialogs_;
  InstallationDriver& driver_;
  WizardRunEnd runEnd_;
  std::unique_ptr<ui::Form> form_;
  std::unique_ptr<WindowHold> background_;
  std::string engineTempDir_;
};

}  // namespace wizard
