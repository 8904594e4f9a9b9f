#pragma once
// What the installation run needs from the wizard: the Process page's
// labels and progress bars, the page change at the end, the rollback banner,
// and (through PackageUi) the questions asked during extraction.

#include <string>

#include "archive/package_ui.h"

namespace process {

class InstallerUi : public archive::PackageUi {
 public:
  // CLabel: the caption of the current step, bold or normal type.
  virtual void setStepCaption(const std::string& text, bool bold) = 0;
  // Shows FLabel, FileBar and PBar, which are hidden until copying starts.
  virtual void showProgressControls() = 0;
  // Turns the notebook to the Final page.
  virtual void showFinalPage() = 0;
  // The blinking rollback banner (AskDisk panel and AskTimer) while a failed
  // run is undone; hidden again by passing false.
  virtual void showRollbackBanner(bool visible) = 0;
  // A modal box owned by the main window with one OK button and the stop
  // icon (the rollback's warning about an unfinished engine update). Not
  // pure, so every window that only reports progress keeps compiling; a
  // window that can show boxes overrides it.
  virtual void showStopMessage(const std::string& text, const std::string& caption) {
    static_cast<void>(text);
    static_cast<void>(caption);
  }
};

}  // namespace process
