#pragma once
// In-process COM servers and type libraries: registration, unregistration,
// and the inspection of the server registered for a ProgID.

#include <cstdint>
#include <string>

#include "startup/context.h"

namespace actions {

enum RegisterResult : uint8_t {
  Success = 0,
  LoadFail = 1,      // server: cannot be loaded; type library: no such file
  ProcNotFound = 2,  // server: no DllRegisterServer / DllUnregisterServer
  RegFail = 3,       // server: the entry returned a failure code
  NotSupported = 4,  // type library unregistration is not offered
  OleError = 5,      // type library: cannot be loaded, registered or unregistered
  FileNotFound = 6,  // server: the file does not exist
};

inline constexpr uint8_t kRegister = 0;
inline constexpr uint8_t kUnregister = 1;

// The log word of a failed registration ("LoadFail" ...); empty for the
// results that leave no log line.
const char* RegisterResultWord(RegisterResult result);

RegisterResult RegisterServer(startup::SetupContext& ctx, const std::string& file, uint8_t action);
RegisterResult RegisterTypeLibrary(startup::SetupContext& ctx, const std::string& file, uint8_t action);

// `entry` is an [OCX] entry. Mode 0: the class is registered with an
// existing server file. Mode 1: the registered server is an older, working
// version to unregister before the new file is placed.
bool CheckInstalledServer(startup::SetupContext& ctx, const std::string& entry, uint8_t mode);

}  // namespace actions
