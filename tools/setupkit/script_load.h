#pragma once
// A setup script read by the engine's own reader on a simulated machine, as
// lint and build need it: the model the engine makes of it, or the reason it
// refuses the script.

#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "startup/context.h"
#include "tools/setupkit/lint.h"

namespace setupkit {

// Messages the reader would show in a dialog are collected (1251).
class CollectedMessages : public startup::MessageUi {
 public:
  int showMessage(const std::string& text, startup::MessageKind kind) override;
  startup::Cursor cursor() const override { return startup::Cursor::arrow; }
  void setCursor(startup::Cursor) override {}

  struct Message {
    startup::MessageKind kind;
    std::string text;  // 1251
  };
  std::vector<Message> messages;
};

class LoadedScript {
 public:
  // Reads `data` (the script's bytes). ok() tells whether the engine accepts it.
  explicit LoadedScript(const std::string& data);
  bool ok() const { return ok_; }
  startup::SetupContext& context() { return ctx_; }
  const startup::SetupDataModel& model() const { return ctx_.model; }
  const std::vector<CollectedMessages::Message>& messages() const { return messages_.messages; }
  // Lint's findings (only when ok()).
  std::vector<LintFinding> findings();

 private:
  platform::sim::Machine machine_;
  CollectedMessages messages_;
  startup::SetupContext ctx_;
  std::string data_;
  bool ok_ = false;
};

}  // namespace setupkit
