#pragma once
// The simulated machine's clock and time zone.

#include <cstdint>

#include "platform/files.h"

namespace platform::sim {

struct Clock {
  // 2024-01-15 10:00:00 UTC: a fixed "now" keeps tests repeatable.
  FileTime now = 133497864000000000ull;
  // Local time minus UTC, in minutes (Moscow would be 180).
  int32_t timeZoneMinutes = 0;

  FileTime toLocal(FileTime utc) const { return utc + offsetTicks(); }
  FileTime toUtc(FileTime local) const { return local - offsetTicks(); }

 private:
  FileTime offsetTicks() const {
    return static_cast<FileTime>(static_cast<int64_t>(timeZoneMinutes) * 60 * 10'000'000);
  }
};

}  // namespace platform::sim
