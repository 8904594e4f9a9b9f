#include "process/driver.h"

#include "actions/com_registration.h"
#include "actions/directories.h"
#include "actions/registry_items.h"
#include "actions/run_libs.h"
#include "archive/package.h"
#include "bde/engine.h"
#include "process/selection.h"
#include "process/steps.h"
#include "process/texts.h"

namespace process {

namespace {

// Every label or bar change lets the window repaint and the Break button
// work.
void Caption(InstallerUi& ui, const char* text, bool bold) {
  ui.setStepCaption(text, bold);
  ui.processMessages();
}

}  // namespace

// A step returning false has reported a fatal failure: the reporter has
// rolled back and released the tables, so the run returns at once. A stop
// point returns when the user asked to break off; nothing is undone then.
void RunInstallation(startup::SetupContext& ctx, InstallerUi& ui, actions::RunEnd& end) {
  startup::SetupDataModel& m = ctx.model;
  startup::WindowState& w = ctx.window;

  ctx.ui.setCursor(startup::Cursor::wait);                        // 1
  MarkSelectedFiles(m);                                           // 2
  ui.setFileCaption("");                                          // 3
  Caption(ui, kPreparingCaption, true);
  StartUninstallLog(ctx);                                         // 4
  if (!actions::RunLibs(ctx, end)) return;                        // 5

  ui.setStepCaption(kCopyingCaption, false);                      // 6
  ui.showProgressControls();
  ui.processMessages();

  PreparePaths(ctx);                                              // 7
  RemoveListedFiles(ctx);                                         // 8
  if (!bde::PlanEngine(ctx, end)) return;                         // 9
  if (!actions::CreateTargetDirectories(ctx, end)) return;        // 10
  UnregisterReplacedServers(ctx);                                 // 11
  if (!archive::ExtractPackage(ctx, ui, end)) return;             // 12
  if (w.BreakRequested) return;                                   // 13
  w.include(startup::afFilesCopied);

  CountSharedFiles(ctx);                                          // 14
  if (w.BreakRequested) return;                                   // 15

  // The flag goes in before the step: a value written before a later one
  // fails must be undone by the rollback as well.
  w.include(startup::afRegistry);                                 // 16
  if (!actions::ApplyRegistryItems(ctx, end)) return;
  if (ctx.run.has(startup::eaConfigure)) {                        // 17
    if (!bde::ConfigureEngine(ctx, end)) return;
    w.include(startup::afEngineConfigured);
  }
  CountEngineUse(ctx);                                            // 18
  if (w.BreakRequested) return;                                   // 19

  ui.setFileCaption("");                                          // 20
  Caption(ui, kLinksCaption, false);
  ui.setFileProgress(0, static_cast<int>(m.ShellLinks.size()));
  ui.processMessages();

  m.Main.RunFile = ResolveFileNumber(ctx, m.Main.RunFile);        // 21
  m.Main.ReadmeFile = ResolveFileNumber(ctx, m.Main.ReadmeFile);
  CopyUninstaller(ctx, ui);                                       // 22
  if (w.BreakRequested) return;                                   // 23

  m.Main.LogFile = startup::ExpandPathMacros(startup::MacroEnvironment{m, ctx.os}, m.Main.LogFile);  // 24
  RegisterUninstall(ctx);                                         // 25
  // Like the registry flag, set before the loop so that links made before
  // a failure are undone too.
  if (!m.ShellLinks.empty()) w.include(startup::afLinks);         // 27
  CreateLinks(ctx, ui);                                           // 26
  if (w.BreakRequested) return;                                   // 28

  Caption(ui, kOcxCaption, false);                                // 29
  ui.setFileProgress(0, static_cast<int>(m.OCX.size()));
  ui.processMessages();
  RegisterComServers(ctx, ui);                                    // 30
  if (!m.OCX.empty()) w.include(startup::afComServers);           // 31
  if (w.BreakRequested) return;                                   // 32

  Caption(ui, kConfigFilesCaption, false);                        // 33
  ui.setFileProgress(0, static_cast<int>(m.FilesData.size()));
  ui.processMessages();
  ExpandConfigurationFiles(ctx, ui);                              // 34
  WriteUninstallLog(ctx);                                         // 35

  ctx.ui.setCursor(startup::Cursor::arrow);                       // 36
  ui.showFinalPage();
}

}  // namespace process
