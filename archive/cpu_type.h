#pragma once
// The processor family that a file's processor condition is compared with.

#include <cstdint>

#include "platform/system.h"

namespace archive {

// 386, 486, 586, 686 or 786 for the x86 families 3 to 7; 0 when the family
// cannot be told (another architecture, an unknown level or type). Asked
// afresh on every call.
int32_t ProcessorFamily(platform::System& system);

}  // namespace archive
