#pragma once
// Checks of a setup script that go beyond what the engine refuses: values
// that are legal but almost certainly not what the author meant.

#include <string>
#include <vector>

#include "platform/profile.h"
#include "startup/context.h"

namespace setupkit {

struct LintFinding {
  enum class Severity { note, warning };
  Severity severity = Severity::warning;
  std::string where;    // "[Files] File3"
  std::string message;  // English; quoted script text stays code page 1251
};

// `ctx.model` holds the script as the engine read it; `raw` gives the
// values as written.
std::vector<LintFinding> LintScript(startup::SetupContext& ctx, const platform::ProfileReader& raw);

// A readable summary of the model, for the author.
std::string DescribeModel(const startup::SetupDataModel& model);

}  // namespace setupkit
