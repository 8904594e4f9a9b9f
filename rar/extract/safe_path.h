#pragma once
// Member names that may be written under a destination directory. A name
// is refused when, after '\' and '/' are both taken as separators, it is
// absolute, names a drive, climbs with "..", names a device (CON, NUL,
// COM1, ...), or contains ':' (a drive or an alternate data stream).

#include <string>

#include "rar/status.h"

namespace rar {

// The name as a relative path with '/' separators, or Error::unsafePath
// with the reason.
Result<std::string> safeRelativePath(const std::string& memberName);

}  // namespace rar
