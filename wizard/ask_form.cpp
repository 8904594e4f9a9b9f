#include "wizard/ask_form.h"

#include "wizard/dialog_texts.h"
#include "wizard/volume_paths.h"

namespace wizard {

AskForm::AskForm(ui::Application& app, platform::FileSystem& fs, std::string expectedPath, std::size_t capacity)
    : ui::Form(app, "TAskForm"),
      AskLabel(add<ui::Label>("AskLabel")),
      NextDisk(add<ui::PathEdit>("NextDisk", ui::PathEdit::Kind::File)),
      OKBtn(add<ui::Button>("OKBtn", ui::ButtonKind::Ok)),
      CancelBtn(add<ui::Button>("CancelBtn", ui::ButtonKind::Cancel)),
      fs_(fs),
      expectedPath_(std::move(expectedPath)),
      capacity_(capacity) {
  setCaption(texts::kVolumeCaption);
  setBorderStyle(ui::BorderStyle::Dialog);
  setPosition(ui::FormPosition::ScreenCenter);
  setClientSize(521, 67);

  AskLabel.setBounds(4, 1, 514, 13);
  AskLabel.setCaption(texts::kVolumeText);
  NextDisk.setBounds(4, 17, 514, 21);
  NextDisk.setButtonHint(texts::kVolumeBrowseHint);
  NextDisk.setText(DirectoryPart(expectedPath_));
  // One file type in the file-open dialog: files with the volume's
  // extension.
  NextDisk.setFilter(std::string(texts::kVolumeFilterName) + "|*" + ExtensionPart(expectedPath_));
  OKBtn.setBounds(140, 41, 85, 25);
  CancelBtn.setBounds(300, 41, 85, 25);
  CancelBtn.setCaption(texts::kVolumeCancel);

  setActiveControl(&NextDisk);
  onCloseQuery = [this] { return FormCloseQuery(); };
}

std::string AskForm::NewVolumePath() const {
  std::string location = NextDisk.text();
  if (!location.empty() && location.back() != '\\' && fs_.fileExists(location)) location = DirectoryPart(location);
  return WithTrailingBackslash(location) + NamePart(expectedPath_);
}

bool AskForm::FormCloseQuery() {
  if (modalResult() != ui::ModalResult::Ok) return true;
  const std::string path = NewVolumePath();
  if (FitsNameBuffer(path, capacity_) && fs_.fileExists(path)) return true;
  application().beep(ui::MessageIcon::Error);
  return false;
}

std::optional<std::string> AskForNextVolume(ui::Application& app, platform::FileSystem& fs,
                                            const std::string& expectedPath, std::size_t capacity) {
  if (auto candidate = NextDiskDirectoryCandidate(expectedPath)) {
    if (FitsNameBuffer(*candidate, capacity) && fs.fileExists(*candidate)) return candidate;
  }
  AskForm form(app, fs, expectedPath, capacity);
  if (form.showModal() != ui::ModalResult::Ok) return std::nullopt;
  return form.NewVolumePath();
}

}  // namespace wizard
