#pragma once
// What the package extraction needs from the window it runs in: the Process
// page's progress display, the overwrite question and the volume prompts.
// The wizard implements it over its real dialogs; tests and the simulation
// answer from a script.

#include <cstddef>
#include <optional>
#include <string>

namespace archive {

class PackageUi {
 public:
  virtual ~PackageUi() = default;

  // FLabel: the name of the file being worked on.
  virtual void setFileCaption(const std::string& text) = 0;
  // FileBar: progress of the current file or step.
  virtual void setFileProgress(int position, int maximum) = 0;
  // PBar: overall progress, one unit per archive member.
  virtual void setOverallProgress(int position, int maximum) = 0;
  // Lets the window repaint and handle input (the Break button may set
  // BreakRequested from here).
  virtual void processMessages() = 0;

  // The overwrite question for file `fileIndex` of group `groupIndex`:
  // 2 (replace) for Yes and Yes-for-all, 0 (keep) for No and No-for-all;
  // the for-all answers are remembered in the group.
  virtual int askOverwrite(std::size_t groupIndex, std::size_t fileIndex) = 0;
  // A volume the archive library expected at `expectedPath` is missing: the
  // path to try next, or nothing when the user cancelled (which has set
  // BreakRequested).
  virtual std::optional<std::string> askForVolume(const std::string& expectedPath) = 0;
};

}  // namespace archive
