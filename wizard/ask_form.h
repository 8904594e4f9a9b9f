#pragma once
// The prompt for the location of the next volume of the package archive,
// used when the program does not run from a removable drive. A volume found
// in the next Disk directory of a disk set is taken without asking.

#include <cstddef>
#include <optional>
#include <string>

#include "platform/files.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace wizard {

// TAskForm.
class AskForm : public ui::Form {
 public:
  // `expectedPath`: the full path of the volume as the library asked for it;
  // `capacity`: the size of the library's name buffer, with its zero.
  AskForm(ui::Application& app, platform::FileSystem& fs, std::string expectedPath, std::size_t capacity);

  ui::Label& AskLabel;
  ui::PathEdit& NextDisk;
  ui::Button& OKBtn;
  ui::Button& CancelBtn;

  const std::string& ExpectedPath() const { return expectedPath_; }
  // The path handed back for the location in `NextDisk`: that directory
  // plus the volume's file name. A location naming an existing file (what
  // the browse button gives) stands for the directory holding it.
  std::string NewVolumePath() const;
  // OK closes the dialog only when the volume exists at NewVolumePath() and
  // that path fits the library's buffer; otherwise the error beep sounds and
  // the dialog stays open. Cancel always closes it.
  bool FormCloseQuery();

 private:
  platform::FileSystem& fs_;
  std::string expectedPath_;
  std::size_t capacity_;
};

// Asks for the next volume: the disk-set search first, then the dialog.
// Returns the path the library is to try (the search's find, or the
// dialog's answer), or nothing when the user cancelled. Every path returned
// fits `capacity`; a search candidate that would not is not used.
std::optional<std::string> AskForNextVolume(ui::Application& app, platform::FileSystem& fs,
                                            const std::string& expectedPath, std::size_t capacity);

}  // namespace wizard
