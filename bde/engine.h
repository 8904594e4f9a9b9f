#pragma once
// The database engine during the run: the plan deciding EngineActions
// (with the removal of an outdated engine), the engine's presence and
// version, its default configuration and its removal.

#include <cstdint>

#include "actions/report_action_error.h"
#include "startup/context.h"

namespace bde {

// The warning the rollback shows when an outdated engine was removed and
// the new one was not configured yet (afOldEngineRemoved without
// afEngineConfigured): a box owned by the main window with OK and the stop
// icon.
inline constexpr const char kEngineUpdateIncompleteText[] =
    "Обновление версии библиотеки BDE для работы с базами данных завершено не до конца. Желательно полностью "
    "закончить установку программы, чтобы обеспечить полную функциональность этой библиотеки.";
inline constexpr const char kEngineUpdateIncompleteCaption[] = "Внимание!";
// Whether the rollback must show that warning.
inline bool EngineUpdateIncomplete(const startup::WindowState& window) {
  return window.has(startup::afOldEngineRemoved) && !window.has(startup::afEngineConfigured);
}

inline constexpr const char kEngineLibrary[] = "idapi32.dll";
inline constexpr const char kLanguageDriverKey[] = "Software\\Borland\\BLW32";
inline constexpr const char kVendorKey[] = "Software\\Borland";
inline constexpr const char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The engine library's entries: started and stopped by name, three
// catalogue lists opened and a cursor closed by ordinal. Every call returns
// a 16-bit status, 0 for success.
inline constexpr const char kEngineStart[] = "DbiInitFn";
inline constexpr const char kEngineStop[] = "DbiExit";
inline constexpr uint32_t kEngineInterfaceVersion = 500;
inline constexpr uint16_t kEngineListOrdinals[] = {82, 80, 37};
inline constexpr uint16_t kEngineCloseCursorOrdinal = 12;

// Decides ctx.run.EngineActions from [Main] BDE; removes an outdated engine
// (setting afOldEngineRemoved). Returns false when a failure was reported
// (the run must stop).
bool PlanEngine(startup::SetupContext& ctx, actions::RunEnd& end);
// A working engine can be started.
bool EnginePresent(startup::SetupContext& ctx);
// The installed engine's library is at least BDEVersion.
bool EngineVersionSufficient(startup::SetupContext& ctx);
// Writes the default configuration when no engine is registered and
// registers the engine's COM servers. Returns false when a failure was
// reported.
bool ConfigureEngine(startup::SetupContext& ctx, actions::RunEnd& end);
// Removes the installed engine; reports nothing.
void RemoveEngine(startup::SetupContext& ctx);
// The use-count step: when the engine's key exists, raises its "UseCount"
// by one and adds the "UseBDE" uninstall line; otherwise does nothing.
// True when it counted.
bool CountEngineUse(startup::SetupContext& ctx);

}  // namespace bde
