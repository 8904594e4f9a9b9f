#include "wizard/standard_dialogs.h"

#include "wizard/background_window.h"
#include "wizard/licence_dialog.h"
#include "wizard/readme_viewer.h"

namespace wizard {

namespace {

// Holds the background window open until the hold is released.
class BackgroundHold final : public WindowHold {
 public:
  explicit BackgroundHold(std::unique_ptr<BackgroundWindow> window) : window_(std::move(window)) {}

 private:
  std::unique_ptr<BackgroundWindow> window_;
};

}  // namespace

bool StandardDialogs::ShowLicence(const std::string& licencePath) { return ShowLicenceDialog(app_, fs_, licencePath); }

void StandardDialogs::ShowReadme(const std::string& path) { wizard::ShowReadme(app_, fs_, path); }

std::unique_ptr<WindowHold> StandardDialogs::ShowBackground(const std::string& title, int32_t color) {
  auto window = ShowBackgroundWindow(app_, title, color);
  if (window == nullptr) return nullptr;
  return std::make_unique<BackgroundHold>(std::move(window));
}

}  // namespace wizard
