#pragma once
// uninstall.exe's run: the log named on the command line read, the user
// asked, the installation undone with a progress bar, and what could not be
// removed reported.

#include <string>

#include "startup/context.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace uninstall {

inline constexpr const char kCaption[] = "Удаление программы";

// The log path: the first argument of the command line, its quotes removed
// (the Uninstall entry starts the program as: short path, space, the log in
// double quotes).
std::string LogPathFromArguments(const std::string& arguments);

// The window shown while the installation is undone.
class UninstallForm : public ui::Form {
 public:
  UninstallForm(ui::Application& app, const std::string& title);
  ui::Label& TitleLabel;
  ui::Label& ItemLabel;
  ui::ProgressBar& Bar;
};

// Exit codes: 0 removed, 1 removed with problems, 2 refused or nothing done,
// 3 the user declined.
int RunUninstaller(ui::Application& app, startup::SetupContext& ctx, const std::string& arguments);

}  // namespace uninstall
