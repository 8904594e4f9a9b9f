#pragma once
// Reads the setup script "Install.Ini" into the setup data model, and later
// resolves the [AskDirs] directory variables.

#include <string>

#include "startup/context.h"

namespace startup {

enum class ScriptStatus {
  ok,
  versionRejected,  // [Version] Script is not 1 (or the file is missing)
  malformed,        // a value the engine cannot work with; nothing usable was read
};

struct ScriptReadResult {
  ScriptStatus status = ScriptStatus::ok;
  std::string message;  // for the user, code page 1251; empty when ok
  bool ok() const { return status == ScriptStatus::ok; }
};

// The most entries a numbered section may declare. Real scripts have a few
// hundred; a larger Count is a damaged script, not a reason to allocate.
inline constexpr int32_t kMaxScriptEntries = 100000;

// A value is read through a buffer of this many characters.
inline constexpr size_t kScriptValueBuffer = 2048;

// Reads the script at `path` through the machine's file system. On a
// rejected version it shows the version message; on a malformed script it
// shows the reason. In both cases the script tables are left empty.
ScriptReadResult ReadSetupScript(SetupContext& ctx, const std::string& path);

// Rewrites every Var entry to the directory it names (see the [AskDirs]
// VarN forms), or to empty text.
void ResolveDirectoryVariables(SetupContext& ctx);

}  // namespace startup
