#pragma once
// The window an installation run talks to, recorded: every caption, bar
// and page change as a line of text, the questions answered from lists the
// test fills, and a hook that runs whenever the run lets the window process
// its messages (where a real user's Break click would land). Every suite
// that drives the run or the package extraction uses this one fake.

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "actions/report_action_error.h"
#include "process/installer_ui.h"
#include "process/rollback.h"
#include "startup/context.h"
#include "startup/messages.h"

namespace process::testing {

class FakeInstallerUi : public InstallerUi {
 public:
  // --- PackageUi ---
  void setFileCaption(const std::string& text) override {
    fileCaption = text;
    events.push_back("file: " + text);
  }
  void setFileProgress(int position, int maximum) override {
    fileBar = {position, maximum};
    events.push_back("filebar " + std::to_string(position) + "/" + std::to_string(maximum));
  }
  void setOverallProgress(int position, int maximum) override {
    overallBar = {position, maximum};
    events.push_back("pbar " + std::to_string(position) + "/" + std::to_string(maximum));
  }
  void processMessages() override {
    ++messagePumps;
    if (onMessages) onMessages();
  }
  int askOverwrite(std::size_t groupIndex, std::size_t fileIndex) override {
    events.push_back("overwrite? " + std::to_string(groupIndex) + "/" + std::to_string(fileIndex));
    if (overwriteAnswers.empty()) return 2;
    const int a = overwriteAnswers.front();
    overwriteAnswers.pop_front();
    return a;
  }
  std::optional<std::string> askForVolume(const std::string& expectedPath) override {
    events.push_back("volume? " + expectedPath);
    if (volumeAnswers.empty()) return std::nullopt;
    auto a = volumeAnswers.front();
    volumeAnswers.pop_front();
    return a;
  }

  // --- InstallerUi ---
  void setStepCaption(const std::string& text, bool bold) override {
    stepCaption = text;
    stepBold = bold;
    events.push_back(std::string(bold ? "CAPTION: " : "caption: ") + text);
  }
  void showProgressControls() override {
    progressShown = true;
    events.push_back("progress shown");
  }
  void showFinalPage() override {
    finalPage = true;
    events.push_back("final page");
  }
  void showRollbackBanner(bool visible) override {
    banner = visible;
    events.push_back(visible ? "banner shown" : "banner hidden");
  }
  void showStopMessage(const std::string& text, const std::string& caption) override {
    stopMessages.push_back(caption + ": " + text);
  }

  // Events whose text starts with `prefix`.
  std::vector<std::string> eventsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& e : events)
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
  }

  std::vector<std::string> events;
  std::string fileCaption;
  std::string stepCaption;
  bool stepBold = false;
  std::pair<int, int> fileBar{0, 100};
  std::pair<int, int> overallBar{0, 100};
  int messagePumps = 0;
  bool progressShown = false;
  bool finalPage = false;
  bool banner = false;
  std::vector<std::string> stopMessages;

  std::function<void()> onMessages;
  std::deque<int> overwriteAnswers;  // empty: replace
  std::deque<std::optional<std::string>> volumeAnswers;  // empty: cancel
};

// The message seam with the screen cursor, recording boxes.
class FakeMessages : public startup::MessageUi {
 public:
  int showMessage(const std::string& text, startup::MessageKind kind) override {
    shown.push_back(text);
    static_cast<void>(kind);
    return answer;
  }
  startup::Cursor cursor() const override { return cursor_; }
  void setCursor(startup::Cursor c) override { cursor_ = c; }

  std::vector<std::string> shown;
  int answer = startup::mrOk;

 private:
  startup::Cursor cursor_ = startup::Cursor::arrow;
};

// The fatal-error path as the program has it: the box is recorded, the
// rollback of the run undoes the changes on the same window, the terminate
// request is noted.
class RecordingRunEnd : public actions::RunEnd {
 public:
  explicit RecordingRunEnd(InstallerUi& ui) : ui_(ui) {}
  void ShowFatalError(const std::string& text) override { fatalBoxes.push_back(text); }
  void RollBack(startup::SetupContext& ctx) override {
    ++rollBacks;
    process::RollBack(ctx, ui_);
  }
  void Terminate() override { ++terminated; }

  std::vector<std::string> fatalBoxes;
  int rollBacks = 0;
  int terminated = 0;

 private:
  InstallerUi& ui_;
};

}  // namespace process::testing
