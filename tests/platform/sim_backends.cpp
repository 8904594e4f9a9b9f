// The simulation-only test program runs the contract suites on the
// in-memory machine.

#include "tests/platform/backend.h"

namespace platform::testing {

std::vector<Backend> contractBackends() { return {simBackend()}; }

}  // namespace platform::testing
