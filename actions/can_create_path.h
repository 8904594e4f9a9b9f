#pragma once
// The creatability probe: can every missing level of a directory path be
// created? The probe creates them and removes them again.

#include <string>

#include "platform/files.h"

namespace actions {

// Walks the backslash-separated pieces (empty pieces skipped), creating each
// missing level with its trailing backslash; removes what it created, in
// reverse order, and tells whether every level could be created.
bool CanCreatePath(platform::FileSystem& fs, const std::string& path);

}  // namespace actions
