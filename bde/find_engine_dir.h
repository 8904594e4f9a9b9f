#pragma once
// Where the database engine lives: its configured library path, or the
// standard directory on the Windows drive.

#include <string>

#include "platform/platform.h"

namespace bde {

inline constexpr const char kEngineKey[] = "Software\\Borland\\Database Engine";

// The first non-empty ";"-piece of DLLPATH when the engine's key exists
// (empty when the value is empty or missing; the default when it is not
// text); otherwise the drive of `windowsDir` + "\Program Files\Borland\Common
// Files\BDE".
std::string FindEngineDir(platform::Registry& registry, const std::string& windowsDir);

}  // namespace bde
