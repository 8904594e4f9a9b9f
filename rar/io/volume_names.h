#pragma once
// Names of the volumes of a multi-volume archive.
//   new scheme: name.part1.rar -> name.part2.rar (the last digit run before
//               the extension is incremented, keeping at least its width)
//   old scheme: name.rar -> name.r00 -> ... -> name.r99 -> name.s00
//   numeric extension: data.000 -> data.001 (always, whatever the scheme)

#include <string>

namespace rar {

enum class VolumeNaming { oldStyle, newStyle };

// The name of the volume after `path`; empty when none can be derived.
std::string nextVolumeName(const std::string& path, VolumeNaming naming);

// The name of volume `index` (0 = the first) of a set whose first volume is
// `first`, following the same rules; used by the writer.
std::string volumeName(const std::string& first, unsigned index, VolumeNaming naming);

}  // namespace rar
