#pragma once
// A run on a fresh simulated machine, with a message seam that records what
// was shown and answers with a scripted result.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine.h"
#include "startup/context.h"

namespace startup::testing {

class RecordingUi : public MessageUi {
 public:
  struct Shown {
    std::string text;
    MessageKind kind;
  };
  int showMessage(const std::string& text, MessageKind kind) override {
    shown.push_back({text, kind});
    return answer;
  }
  Cursor cursor() const override { return cursor_; }
  void setCursor(Cursor c) override { cursor_ = c; }

  std::vector<Shown> shown;
  int answer = mrOk;

 private:
  Cursor cursor_ = Cursor::wait;
};

class RunFixture : public ::testing::Test {
 protected:
  RunFixture() : ctx(machine, ui) {
    ctx.model.WindowsDir = "C:\\WINDOWS\\";
    ctx.model.SystemDir = "C:\\WINDOWS\\SYSTEM32\\";
  }

  // Writes a script (code page 1251 text) and returns its path.
  std::string script(const std::string& text, const std::string& path = "C:\\TEMP\\Install.Ini") {
    EXPECT_TRUE(machine.addDirectory(path.substr(0, path.rfind('\\'))).ok());
    EXPECT_TRUE(platform::writeWholeFile(machine.files(), path, text).ok());
    return path;
  }

  void setRegistryValue(platform::Root root, const std::string& key, const std::string& name, const platform::Value& v) {
    auto k = machine.registry().create(root, key);
    ASSERT_TRUE(k.ok()) << k.status().toString();
    ASSERT_TRUE(k.value()->write(name, v).ok());
  }

  std::string dump() { return machine.toString(); }

  platform::sim::Machine machine;
  RecordingUi ui;
  SetupContext ctx;
};

}  // namespace startup::testing
