#pragma once
// The prompt for the next diskette, used when the program runs from a
// removable drive: the library then retries the same volume path.

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace wizard {

// TfrmAskFloppy: no close box and no system menu, only the two buttons.
class AskFloppyForm : public ui::Form {
 public:
  explicit AskFloppyForm(ui::Application& app);

  ui::Label& Label1;
  ui::Button& Button1;  // "Продолжить"
  ui::Button& Button2;  // "Отменить"
};

// Shows the diskette prompt; true when the installation is to stop (the
// user did not choose "Продолжить").
bool AskForNextDiskette(ui::Application& app);

}  // namespace wizard
