#pragma once
// The package extraction: every member of data.000 and its volumes read in
// order, decided and placed by the placement rules, with progress, break
// and volume prompts.

#include <string>

#include "actions/report_action_error.h"
#include "archive/package_ui.h"
#include "startup/context.h"

namespace archive {

// The package archive's name beside the setup program.
inline constexpr const char kPackageArchiveName[] = "data.000";
// The failure text of a member, followed by the target file name; also of
// a package whose headers are damaged or cut short, followed by the
// archive's name.
inline constexpr const char kMemberReadFailed[] = "Ошибка чтения сжатого файла ";
// The warning for a target that is in use and may not wait for the restart.
std::string TargetInUseText(const std::string& path);

// Extracts the package from SourceDir + "data.000". Returns false when the
// run must stop: a fatal failure was reported through ReportActionError
// (which has rolled back and asked the program to end). A break between
// members (also a cancelled volume prompt while the next header is read)
// returns true with BreakRequested set; the driver stops at its next stop
// point.
bool ExtractPackage(startup::SetupContext& ctx, PackageUi& ui, actions::RunEnd& end);

}  // namespace archive
