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
  // The overwrite dialog's buttons by their modal results.
  enum Answer : int { kYes = 6, kNo = 7, kNoForAll = 9, kYesForAll = 10 };

  // The run's context: the groups keep the for-all answers, a cancelled
  // volume prompt requests the break.
  explicit FakeInstallerUi(startup::SetupContext& ctx) : ctx_(&ctx) {}

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
  // Answers as the overwrite dialog does (its modal results): the for-all
  // answers are kept in the group, which then decides without a question.
  int askOverwrite(std::size_t groupIndex, std::size_t fileIndex) override {
    startup::TGroup& group = ctx_->model.TGroups.at(groupIndex);
    if (group.OverwriteAnswer == startup::oaNoForAll) return 0;
    if (group.OverwriteAnswer == startup::oaYesForAll) return 2;
    events.push_back("overwrite? " + std::to_string(groupIndex) + "/" + std::to_string(fileIndex));
    int answer = kYes;
    if (!overwriteAnswers.empty()) {
      answer = overwriteAnswers.front();
      overwriteAnswers.pop_front();
    }
    if (answer == kNoForAll) group.OverwriteAnswer = startup::oaNoForAll;
    if (answer == kYesForAll) group.OverwriteAnswer = startup::oaYesForAll;
    return answer == kYes || answer == kYesForAll ? 2 : 0;
  }
  // A cancelled prompt is the user breaking off.
  std::optional<std::string> askForVolume(const std::string& expectedPath) override {
    events.push_back("volume? " + expectedPath);
    std::optional<std::string> answer;
    if (!volumeAnswers.empty()) {
      answer = volumeAnswers.front();
      volumeAnswers.pop_front();
    }
    if (!answer) ctx_->window.BreakRequested = true;
    return answer;
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
  std::deque<int> overwriteAnswers;  // Answer values; empty: Yes
  std::deque<std::optional<std::string>> volumeAnswers;  // empty: cancel

 private:
  startup::SetupContext* ctx_;
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
