// setup.exe: the setup engine on the real machine and real windows. No
// command line and no environment are read; the package beside the program
// is the only input.

#include <windows.h>

#include <exception>
#include <memory>

#include "platform/win32/machine.h"
#include "startup/context.h"
#include "ui/application.h"
#include "ui/win32/win32_renderer.h"
#include "wizard/wizard_driver.h"
#include "wizard/message_ui.h"
#include "wizard/program_entry.h"
#include "wizard/standard_dialogs.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    ui::Application app(std::make_unique<ui::win32::Win32Renderer>(instance));
    platform::win32::Machine machine;
    wizard::WizardMessageUi messages(app);
    startup::SetupContext ctx(machine, messages);
    wizard::StandardDialogs dialogs(app, machine.files());
    wizard::WizardDriver driver;
    wizard::RunSetupProgram(app, ctx, dialogs, driver);
    return 0;
  } catch (const std::exception&) {
    // Failures are reported where they happen; an exception here is a bug
    // and must not end in the runtime's abort box.
    return 3;
  }
}
