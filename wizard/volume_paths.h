#pragma once
// Path arithmetic of the volume prompts: the parts of a volume's path and
// the disk-set search that finds the next volume in a sibling Disk
// directory without asking.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace wizard {

// The directory part of a path, up to and including its last backslash or
// colon ("" when it has neither).
std::string DirectoryPart(std::string_view path);
// The text after the last backslash or colon.
std::string NamePart(std::string_view path);
// The extension of the name part with its dot ("" when it has none).
std::string ExtensionPart(std::string_view path);
// `dir` with a backslash at its end.
std::string WithTrailingBackslash(std::string_view dir);

// Where the volume `requestedPath` would lie in the next directory of a disk
// set: when the volume's directory is named "disk" + a number (any letter
// case; up to three digits after "disk" are read, 0 when they are not a
// number), the sibling "Disk" + (number + 1) holds it.
//   D:\Setup\Disk1\data.r01   -> D:\Setup\Disk2\data.r01
//   D:\Setup\DISK01\data.r01  -> D:\Setup\Disk2\data.r01
//   D:\Setup\Disk1000\data.r01 -> D:\Setup\Disk101\data.r01
//   D:\Setup\Diskette\data.r01 -> D:\Setup\Disk1\data.r01
// Nothing when the directory's name does not start with "disk".
std::optional<std::string> NextDiskDirectoryCandidate(std::string_view requestedPath);

// Whether a path fits the library's name buffer of `capacity` bytes with
// its terminating zero.
inline bool FitsNameBuffer(std::string_view path, std::size_t capacity) { return path.size() < capacity; }

}  // namespace wizard
