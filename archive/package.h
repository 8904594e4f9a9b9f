#pragma once
// The package extraction: every member of data.000 and its volumes read in
// order, decided and placed by the placement rules, with progress, break
// and volume prompts.

#include "actions/report_action_error.h"
#include "archive/package_ui.h"
#include "startup/context.h"

namespace archive {

// Extracts the package from SourceDir + "data.000". Returns false when the
// run must stop: a fatal failure was reported through ReportActionError
// (which has rolled back and asked the program to end).
bool ExtractPackage(startup::SetupContext& ctx, PackageUi& ui, actions::RunEnd& end);

}  // namespace archive
