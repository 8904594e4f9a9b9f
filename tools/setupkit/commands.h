#pragma once
// The commands of the author's tool. Each takes its own arguments (after the
// command word) and returns the process exit status.

#include <string>
#include <vector>

namespace setupkit {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;    // arguments, shown in help
  const char* summary;  // one line
  int (*run)(const Args& args);
};

}  // namespace setupkit
