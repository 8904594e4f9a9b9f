#pragma once
// What the package extraction does when the archive library misses a
// volume: ask for the next diskette (program started from a removable
// drive) or for the next volume's location, and turn a cancelled prompt into
// the run's break request.

#include <cstddef>
#include <optional>
#include <string>

#include "rar/read/archive.h"
#include "startup/context.h"
#include "ui/application.h"

namespace wizard {

// The size of the library's volume name buffer, with its terminating zero:
// the longest path the Windows file functions take.
inline constexpr std::size_t kVolumeNameCapacity = 260;

// Asks for the volume the library expected at `expectedPath`. Returns the
// path to try next (the same path after "Продолжить" of the diskette
// prompt), or nothing to stop: the user cancelled, which sets
// BreakRequested, or a break was requested already. The application comes
// to the front and shows the arrow cursor while a prompt is open; the
// previous cursor comes back afterwards. A returned path always fits
// `capacity`.
std::optional<std::string> AskForMissingVolume(startup::SetupContext& ctx, ui::Application& app,
                                               const std::string& expectedPath,
                                               std::size_t capacity = kVolumeNameCapacity);

// The archive library's volume callback built on AskForMissingVolume: a
// missing volume is asked for (and its path replaced with the answer);
// every call then processes pending window messages and returns false
// (abort) when a break has been requested.
rar::VolumeCallback MakeVolumeCallback(startup::SetupContext& ctx, ui::Application& app,
                                       std::size_t capacity = kVolumeNameCapacity);

}  // namespace wizard
