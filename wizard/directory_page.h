#pragma once
// The parts of the directory page that are plain computation: the drive
// table, the drive menu captions and the short-name reduction.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace wizard {

// Free kilobytes per drive letter A..Z; 0 for a drive that is absent, not
// fixed or network, or reports no free space.
using DriveTable = std::array<int32_t, 26>;

// Cluster size in whole kilobytes times free clusters. The product is kept
// to 32 bits as the table holds it, but saturates instead of wrapping: a
// drive with more than 2 TB free stays a drive with plenty of space.
int32_t FreeKilobytes(const platform::DiskFreeSpace& space);

DriveTable FillDriveTable(platform::FileSystem& fs);

// "C: Свободно 1234 Kb"
std::string DriveMenuCaption(char letter, int32_t kilobytes);

// The 8.3-style reduction of a typed directory: the extension after the last
// point of the last piece (at most the point and three characters); the text
// before the first point split at backslashes, each piece cut to eight
// characters and stripped of trailing blanks and control characters.
std::string ReduceToShortName(std::string_view text);

// The text with its first two characters replaced by `drive` ("D:") when it
// starts with another drive; texts without a drive letter (network paths,
// relative or too short texts) are returned unchanged.
std::string MoveToDrive(const std::string& text, const std::string& drive);

}  // namespace wizard
