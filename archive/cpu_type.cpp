#include "archive/cpu_type.h"

namespace archive {

namespace {

constexpr uint32_t kPlatformNt = 2;
constexpr uint16_t kArchitectureIntel = 0;

int32_t FamilyOfLevel(uint32_t level) {
  return level >= 3 && level <= 7 ? static_cast<int32_t>(level * 100 + 86) : 0;
}

int32_t FamilyOfType(uint32_t type) {
  switch (type) {
    case 386:
    case 486:
    case 586:
    case 686:
    case 786: return static_cast<int32_t>(type);
    default: return 0;
  }
}

}  // namespace

int32_t ProcessorFamily(platform::System& system) {
  const platform::OsVersion version = system.osVersion();
  const bool nt = version.platformId == kPlatformNt;
  // Windows 98 and later 9x releases report the level; Windows 95 only the type.
  const bool late9x = version.minor >= 10;
  const platform::ProcessorInfo cpu = system.processor();
  if (nt && cpu.architecture != kArchitectureIntel) return 0;
  if (nt || late9x) return FamilyOfLevel(cpu.level);
  return FamilyOfType(cpu.processorType);
}

}  // namespace archive
