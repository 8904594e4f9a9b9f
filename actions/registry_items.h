#pragma once
// The [Registry] values: each written with its key's log line, the former
// content recorded first, for the uninstaller and the rollback.

#include <cstdint>
#include <string>

#include "actions/report_action_error.h"
#include "startup/context.h"

namespace actions {

// Applies every RegistryItem in table order. Returns false when a failure
// was reported (the run must stop).
//
// Per item: "RegOpenKey=" or "RegCreateKey=" (key path, comma, root handle
// in unsigned decimal), "RegOldValue=" (name, type letter S/D/B, former
// content) when the value held a string, number or bytes, "RegWriteValue="
// (name). RegistryOldValues gets the former content ("" when there was none
// the record can hold) before the write; RegistryChanges gets the item's
// RegistryChangeRecord after a successful write. A failed write leaves the
// former value in the registry.
bool ApplyRegistryItems(startup::SetupContext& ctx, RunEnd& end);

// "HKEY_LOCAL_MACHINE\key\path|value": where a written value lives, as the
// rollback reads it (split at the bar).
std::string RegistryChangeRecord(uint32_t root, const std::string& keyPath, const std::string& valueName);

}  // namespace actions
