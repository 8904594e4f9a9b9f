#pragma once
// A package extraction on a fresh simulated machine: a package built with
// the store writer, a file table, a recording window that answers the
// overwrite question and the volume prompt from a script, and a run end
// that records the fatal report and undoes what the run recorded.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "actions/report_action_error.h"
#include "archive/package.h"
#include "archive/platform_streams.h"
#include "rar/write/writer.h"
#include "tests/startup/fixture.h"

namespace archive::testing {

// The overwrite dialog's buttons by their modal results.
enum Answer : int { kYes = 6, kNo = 7, kNoForAll = 9, kYesForAll = 10 };

// What the Process page showed and what the package asked.
class RecordingPackageUi : public PackageUi {
 public:
  explicit RecordingPackageUi(startup::SetupContext& ctx) : ctx_(ctx) {}

  void setFileCaption(const std::string& text) override { captions.push_back(text); }
  void setFileProgress(int position, int maximum) override {
    filePosition = position;
    fileMaximum = maximum;
  }
  void setOverallProgress(int position, int maximum) override {
    overallPosition = position;
    overallMaximum = maximum;
  }
  void processMessages() override {
    ++messageRounds;
    if (onMessages) onMessages();
  }
  // Answers as the overwrite dialog does, remembering the for-all answers
  // in the group.
  int askOverwrite(std::size_t groupIndex, std::size_t fileIndex) override {
    startup::TGroup& group = ctx_.model.TGroups.at(groupIndex);
    if (group.OverwriteAnswer == startup::oaNoForAll) return 0;
    if (group.OverwriteAnswer == startup::oaYesForAll) return 2;
    questions.push_back(ctx_.model.FilesData.at(fileIndex).TargetName.str());
    if (overwriteAnswers.empty()) {
      ADD_FAILURE() << "unexpected overwrite question for " << questions.back();
      return 0;
    }
    const int answer = overwriteAnswers.front();
    overwriteAnswers.pop_front();
    if (answer == kNoForAll) group.OverwriteAnswer = startup::oaNoForAll;
    if (answer == kYesForAll) group.OverwriteAnswer = startup::oaYesForAll;
    return answer == kYes || answer == kYesForAll ? 2 : 0;
  }
  std::optional<std::string> askForVolume(const std::string& expectedPath) override {
    volumeQuestions.push_back(expectedPath);
    std::optional<std::string> answer;
    if (!volumeAnswers.empty()) {
      answer = volumeAnswers.front();
      volumeAnswers.pop_front();
    }
    if (!answer) ctx_.window.BreakRequested = true;
    return answer;
  }

  std::vector<std::string> captions;
  int filePosition = -1, fileMaximum = -1, overallPosition = -1, overallMaximum = -1;
  int messageRounds = 0;
  std::function<void()> onMessages;
  std::deque<int> overwriteAnswers;
  std::vector<std::string> questions;
  std::deque<std::optional<std::string>> volumeAnswers;  // nothing: cancel
  std::vector<std::string> volumeQuestions;

 private:
  startup::SetupContext& ctx_;
};

// Records the fatal report; its rollback removes what the run's lists
// name (placed files, temporaries, created directories last first), which
// is what the rollback of a failed run does with files.
class RecordingRunEnd : public actions::RunEnd {
 public:
  void ShowFatalError(const std::string& text) override { shown.push_back(text); }
  void RollBack(startup::SetupContext& ctx) override {
    ++rollbacks;
    platform::FileSystem& fs = ctx.os.files();
    for (const std::string& f : ctx.lists.PlacedFiles) static_cast<void>(fs.removeFile(f));
    for (const std::string& f : ctx.lists.ReplaceTempFiles) static_cast<void>(fs.removeFile(f));
    for (auto it = ctx.lists.CreatedDirs.rbegin(); it != ctx.lists.CreatedDirs.rend(); ++it)
      static_cast<void>(fs.removeDirectory(*it));
    for (const std::string& f : ctx.lists.TempFileList) {
      if (fs.fileExists(f)) static_cast<void>(fs.removeFile(f));
    }
  }
  void Terminate() override { ++terminations; }

  std::vector<std::string> shown;
  int rollbacks = 0;
  int terminations = 0;
};

struct Member {
  std::string name;  // UTF-8, '/' separators
  std::string data;
  int64_t mtime = 1600000000;  // 2020-09-13
};

class PackageTest : public startup::testing::RunFixture {
 protected:
  PackageTest() {
    ctx.model.SourceDir = kSource;
    EXPECT_TRUE(machine.addDirectory("C:\\Setup").ok());
    EXPECT_TRUE(machine.addDirectory("C:\\App").ok());
  }

  static constexpr const char* kSource = "C:\\Setup\\";
  static constexpr const char* kPackage = "C:\\Setup\\data.000";

  // Writes the package; options as the writer takes them (password,
  // volumes). Returns the number of volumes.
  unsigned WritePackage(const std::vector<Member>& members, rar::WriterOptions options = {},
                        const std::string& path = kPackage) {
    PlatformArchiveFiles fs(machine.files());
    auto w = rar::Writer::create(fs, path, std::move(options));
    EXPECT_TRUE(w.ok()) << w.status().toString();
    if (!w.ok()) return 0;
    for (const Member& m : members) {
      rar::MemberMeta meta;
      meta.mtime = m.mtime;
      const rar::Status s = (*w)->addBytes(m.name, m.data, meta);
      EXPECT_TRUE(s.ok()) << s.toString();
    }
    const rar::Status s = (*w)->finish();
    EXPECT_TRUE(s.ok()) << s.toString();
    return (*w)->volumeCount();
  }

  // A group and its place in TGroups.
  size_t AddGroup(uint8_t mode = startup::imAlways, bool shared = false, const std::string& name = "Program") {
    startup::TGroup g;
    g.Name = name;
    g.InstallMode = mode;
    g.SharedFiles = shared;
    g.Selected = true;
    ctx.model.TGroups.push_back(g);
    return ctx.model.TGroups.size() - 1;
  }

  // A selected, logged file of `group` going to C:\App\ under its own name.
  startup::FileItem& AddFile(const std::string& archiveName, size_t group = 0, const std::string& version = {}) {
    startup::FileItem f;
    f.FileID = static_cast<int32_t>(ctx.model.FilesData.size() + 1);
    f.ArchiveName = archiveName;
    f.TargetName = archiveName;
    f.TargetDir = "C:\\App\\";
    f.Version = version;
    f.UninstallLogged = true;
    f.GroupIndex = static_cast<int32_t>(group);
    f.Selected = true;
    ctx.model.FilesData.push_back(f);
    return ctx.model.FilesData.back();
  }

  bool Extract() { return ExtractPackage(ctx, packageUi, runEnd); }

  std::string Content(const std::string& path) { return machine.fileContent(path).valueOr("<missing>"); }

  // Files whose name starts with "Ins" in a directory: temporaries.
  std::vector<std::string> Temporaries(const std::string& dir = "C:\\App") {
    std::vector<std::string> out;
    auto listed = machine.files().list(dir, "Ins*");
    if (listed.ok()) {
      for (const platform::DirEntry& e : listed.value()) out.push_back(e.name);
    }
    return out;
  }

  RecordingPackageUi packageUi{ctx};
  RecordingRunEnd runEnd;
};

}  // namespace archive::testing
