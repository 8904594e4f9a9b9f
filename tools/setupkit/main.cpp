// setupkit: the package author's tool.

#include <cstdio>
#include <cstring>
#include <iterator>

#include "tools/setupkit/commands.h"
#include "tools/setupkit/console.h"

namespace setupkit {

int runLint(const Args& args);
int runList(const Args& args);
int runTest(const Args& args);
int runExtract(const Args& args);
int runPack(const Args& args);

namespace {

// Add a command: declare its run function in its own file and list it here.
const Command kCommands[] = {
    {"lint", "PATH/Install.Ini", "check a setup script and summarise it", runLint},
    {"list", "ARCHIVE [-p PASSWORD]", "list the members of a RAR archive", runList},
    {"test", "ARCHIVE [-p PASSWORD]", "check every member's data and checksum", runTest},
    {"extract", "ARCHIVE DIR [-p PASSWORD]", "extract a RAR archive into DIR", runExtract},
    {"pack", "OUT FILES... [-p PW] [--encrypt-headers] [--volume-size N] [--old-naming]", "store files in a RAR 5 archive", runPack},
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
