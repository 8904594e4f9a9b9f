// setupkit: the package author's tool.

#include <cstdio>
#include <cstring>
#include <iterator>

#include "tools/setupkit/commands.h"
#include "tools/setupkit/console.h"

namespace setupkit {

int runLint(const Args& args);

namespace {

// Add a command: declare its run function in its own file and list it here.
const Command kCommands[] = {
    {"lint", "PATH/Install.Ini", "check a setup script and summarise it", runLint},
    {"help", "", "show this help", nullptr},
};

void printHelp() {
  std::printf("usage: setupkit COMMAND [ARGS]\n\ncommands:\n");
  for (const auto& c : kCommands) std::printf("  %-8s %-40s %s\n", c.name, c.usage, c.summary);
}

}  // namespace
}  // namespace setupkit

int main(int argc, char** argv) {
  using namespace setupkit;
  initConsole();
  if (argc < 2 || std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0) {
    printHelp();
    return argc < 2 ? 2 : 0;
  }
  for (const auto& c : kCommands) {
    if (c.run && std::strcmp(argv[1], c.name) == 0) return c.run(Args(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "setupkit: unknown command '%s' (try 'setupkit help')\n", argv[1]);
  return 2;
}
