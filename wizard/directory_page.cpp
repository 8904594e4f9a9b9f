// The Start page: one row per visible directory, the disk-size line, the
// drive menu, the short-name rule and the deferred folder report.

#include "wizard/directory_page.h"

#include <limits>

#include "startup/path_macros.h"
#include "startup/tools.h"
#include "text/codepage.h"
#include "wizard/install_form.h"

namespace wizard {

namespace {

inline constexpr const char kDefaultDirCaption[] = "Введите название каталога:";

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

int32_t FreeKilobytes(const platform::DiskFreeSpace& space) {
  const uint32_t clusterBytes = space.sectorsPerCluster * space.bytesPerSector;
  const uint64_t kb = static_cast<uint64_t>(clusterBytes >> 10) * space.freeClusters;
  constexpr uint64_t most = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(kb > most ? most : kb);
}

DriveTable FillDriveTable(platform::FileSystem& fs) {
  DriveTable table{};
  const uint32_t mask = fs.logicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((mask & (1u << i)) == 0) continue;
    const std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
    const platform::DriveType type = fs.driveType(root);
    if (type != platform::DriveType::fixed && type != platform::DriveType::remote) continue;
    auto space = fs.diskFreeSpace(root);
    if (space.ok()) table[static_cast<size_t>(i)] = FreeKilobytes(space.value());
  }
  return table;
}

std::string DriveMenuCaption(char letter, int32_t kilobytes) {
  return std::string(1, letter) + ": Свободно " + std::to_string(kilobytes) + " Kb";
}

std::string ReduceToShortName(std::string_view text) {
  const size_t lastPoint = text.rfind('.');
  const size_t lastSeparator = text.find_last_of("\\:");
  std::string ext;
  if (lastPoint != std::string_view::npos && (lastSeparator == std::string_view::npos || lastPoint > lastSeparator)) {
    ext = std::string(text.substr(lastPoint, 4));
  }
  const std::string_view base = text.substr(0, text.find('.'));
  std::string result;
  size_t pos = 0;
  while (pos < base.size()) {
    size_t end = base.find('\\', pos);
    if (end == std::string_view::npos) end = base.size();
    if (end > pos) {
      std::string piece(base.substr(pos, std::min<size_t>(end - pos, 8)));
      while (!piece.empty() && static_cast<unsigned char>(piece.back()) <= 32) piece.pop_back();
      if (!result.empty()) result += '\\';
      result += piece;
    }
    pos = end + 1;
  }
  return result + ext;
}

std::string MoveToDrive(const std::string& text, const std::string& drive) {
  if (text.size() < 2 || text[1] != ':' || !IsDriveLetter(text[0])) return text;
  if (text::equalsNoCase1251(text.substr(0, 2), drive)) return text;
  return drive + text.substr(2);
}

void InstallForm::BuildDirectoryPage() {
  startup::SetupDataModel& m = ctx_.model;
  int labelTop = 3;
  int fieldTop = 20;
  bool first = true;
  for (size_t i = 0; i < m.Dirs.size(); ++i) {
    if (m.Dirs[i].Hidden) continue;
    std::string caption = m.Dirs[i].Desc;
    if (startup::IsBlank(caption)) caption = kDefaultDirCaption;
    if (caption.find(':') == std::string::npos) caption += ':';
    auto& label = SB->add<ui::Label>("DirLabel" + std::to_string(i + 1));
    label.setCaption(caption);
    label.setBounds(4, labelTop, app_.textWidth(label.font(), caption), 13);
    labelTop += 40;

    auto& field = SB->add<ui::PathEdit>("DirEdit" + std::to_string(i + 1), ui::PathEdit::Kind::Directory);
    field.setBounds(49, fieldTop, SB->width() - 49 - 15, 21);
    field.setButtonHint("F3");
    if (!startup::IsBlank(m.Dirs[i].Var)) m.Dirs[i].Dir = m.Dirs[i].Var;
    m.Dirs[i].Dir = startup::ExpandPathMacros(startup::MacroEnvironment{m, ctx_.os}, m.Dirs[i].Dir);
    std::string text = m.Dirs[i].Dir;
    if (!text.empty() && text.back() == '\\') text.pop_back();
    field.setTag(static_cast<int>(i));
    field.onChange = [this, &field] { DirEditChange(field); };
    field.setText(text);
    if (m.Dirs[i].Lock && !startup::IsBlank(field.text()) && ctx_.os.files().directoryExists(field.text())) {
      field.setReadOnly(true);
    }
    if (first) {
      field.setFocus();
      first = false;
    }
    fieldTop += 40;
  }

  SizeLabel->setCaption("Для установки программы необходимо " + std::to_string(m.Main.DiskSize) + " Kb");
  SizeLabel->setWidth(app_.textWidth(SizeLabel->font(), SizeLabel->caption()));
  const DriveTable drives = FillDriveTable(ctx_.os.files());
  DiskSizeBtn->clearMenu();
  for (size_t i = 0; i < drives.size(); ++i) {
    if (drives[i] == 0) continue;
    ui::MenuItem item;
    item.caption = DriveMenuCaption(static_cast<char>('A' + i), drives[i]);
    item.enabled = drives[i] > m.Main.DiskSize;
    item.onClick = [this, caption = item.caption] { DiskMenuClick(caption); };
    DiskSizeBtn->addMenuItem(std::move(item));
  }
}

void InstallForm::DirEditChange(ui::PathEdit& edit) {
  if (ctx_.model.Main.NoLongNames) {
    const std::string reduced = ReduceToShortName(edit.text());
    if (!text::equalsNoCase1251(reduced, edit.text())) edit.setText(reduced);  // runs this handler again
  }
  const int index = edit.tag();
  if (index >= 0 && static_cast<size_t>(index) < ctx_.model.Dirs.size()) {
    ctx_.model.Dirs[static_cast<size_t>(index)].Dir = edit.text();
  }
}

void InstallForm::DiskMenuClick(const std::string& itemCaption) {
  const std::string drive = itemCaption.substr(0, 2);
  for (const auto& child : SB->children()) {
    auto* field = dynamic_cast<ui::PathEdit*>(child.get());
    if (field == nullptr) continue;
    const std::string moved = MoveToDrive(field->text(), drive);
    if (moved != field->text()) field->setText(moved);
  }
}

void InstallForm::StartFolderReport(int dirIndex) {
  FolderTimer->setTag(dirIndex);
  FolderTimer->setEnabled(true);
}

void InstallForm::FolderTimerTimer() {
  FolderTimer->setEnabled(false);
  const int index = FolderTimer->tag();
  if (index < 0 || static_cast<size_t>(index) >= ctx_.model.Dirs.size()) return;
  const std::string dir = CurrentDirPath(static_cast<size_t>(index));
  const std::string message = ctx_.model.Main.SkipDirDialog == 1
                                  ? "Папка " + dir + " не существует и ее нельзя создать. Установка невозможна."
                                  : "Папка " + dir + " не существует. Установка невозможна.";
  const int answered = startup::SetupMessage(ctx_.ui, message, startup::MessageKind::error);
  static_cast<void>(answered);  // one button
  app_.terminate();
}

}  // namespace wizard
