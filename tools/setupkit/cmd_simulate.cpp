// setupkit simulate: placeholder until the simulation lands.
#include <cstdio>
#include "tools/setupkit/commands.h"
namespace setupkit {
int runSimulate(const SimulateArgs&) { std::fprintf(stderr, "not yet\n"); return 1; }
}  // namespace setupkit
