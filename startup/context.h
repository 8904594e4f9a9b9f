#pragma once
// One installation run's state: the machine it works on, the user-facing
// seam, the setup data model and the run-wide conversion state. Every
// subsystem receives it by reference; nothing lives in globals.

#include "platform/platform.h"
#include "startup/code_page_conversion.h"
#include "startup/messages.h"
#include "startup/model.h"

namespace startup {

struct SetupContext {
  SetupContext(platform::Platform& os, MessageUi& ui) : os(os), ui(ui) {}

  platform::Platform& os;
  MessageUi& ui;
  SetupDataModel model;
  CodePageConversion conversion;
};

}  // namespace startup
