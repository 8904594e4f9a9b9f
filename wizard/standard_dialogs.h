#pragma once
// The real licence dialog, readme viewer and background window behind the
// startup and close steps' DialogServices.

#include "platform/files.h"
#include "ui/application.h"
#include "wizard/dialog_services.h"

namespace wizard {

class StandardDialogs final : public DialogServices {
 public:
  StandardDialogs(ui::Application& app, platform::FileSystem& fs) : app_(app), fs_(fs) {}
  bool ShowLicence(const std::string& licencePath) override;
  void ShowReadme(const std::string& path) override;
  std::unique_ptr<WindowHold> ShowBackground(const std::string& title, int32_t color) override;

 private:
  ui::Application& app_;
  platform::FileSystem& fs_;
};

}  // namespace wizard
