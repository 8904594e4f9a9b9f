// The design-time layout of frmInstall: every component with its position,
// size, caption and font, and the handlers bound to them. Pixel values are
// the window's design at 96 DPI.

#include "wizard/install_form.h"

namespace wizard {

namespace {

ui::Font BaseFont() { return ui::Font{}; }  // "MS Sans Serif", 11 pixels

// A label sized to its caption, as the form library's auto-sized labels are.
ui::Label& AddLabel(ui::Application& app, ui::Widget& parent, const std::string& name, int left, int top,
                    const std::string& caption) {
  auto& l = parent.add<ui::Label>(name);
  l.setCaption(caption);
  l.setBounds(left, top, app.textWidth(l.font(), caption), 13);
  return l;
}

// The cancel button at the lower left of a page. Esc presses it; it sets
// no modal result on the (modeless) main window.
ui::Button& AddPageButton(ui::Widget& page, const std::string& name, const std::string& caption) {
  auto& b = page.add<ui::Button>(name, ui::ButtonKind::Cancel);
  b.setCaption(caption);
  b.setModalResult(ui::ModalResult::None);
  b.setBounds(4, 265, 153, 25);
  return b;
}

}  // namespace

void InstallForm::BuildLayout() {
  ui::Form& f = *form_;
  f.setCaption(kDesignCaption);
  f.setBorderStyle(ui::BorderStyle::Dialog);
  f.setPosition(ui::FormPosition::ScreenCenter);
  f.setFont(BaseFont());
  f.setClientSize(536, 345);

  Title = &f.add<ui::Label>("Title");
  Title->setBounds(0, 0, 536, 33);
  Title->setAlign(ui::Align::Top);
  Title->setAlignment(ui::TextAlign::Center);
  Title->setWordWrap(true);
  Title->setFont(ui::Font{"MS Sans Serif", 15, true, true, false, ui::colors::blue});

  CopyrightLabel = &f.add<ui::Label>("CopyrightLabel");
  CopyrightLabel->setBounds(0, 33, 536, 13);
  CopyrightLabel->setAlign(ui::Align::Top);
  CopyrightLabel->setCaption("  © ");
  ui::Font bold = BaseFont();
  bold.bold = true;
  CopyrightLabel->setFont(bold);

  Panel1 = &f.add<ui::Panel>("Panel1");
  Panel1->setBounds(0, 46, 536, 6);
  Panel1->setAlign(ui::Align::Top);
  Panel1->setBevels(ui::Bevel::None, ui::Bevel::None);

  NB = &f.add<ui::Notebook>("NB");
  NB->setBounds(0, 52, 536, 293);
  NB->setAlign(ui::Align::Client);
  ui::NotebookPage& start = NB->addPage("Start");
  ui::NotebookPage& setupType = NB->addPage("SetupType");
  ui::NotebookPage& custom = NB->addPage("Custom");
  ui::NotebookPage& process = NB->addPage("Process");
  ui::NotebookPage& final = NB->addPage("Final");

  // Start: the directory rows, the disk-size line and the drive menu.
  SizeLabel = &AddLabel(app_, start, "SizeLabel", 8, 2, "Для установки программы необходимо ");
  DiskSizeBtn = &start.add<ui::SpeedButton>("DiskSizeBtn");
  DiskSizeBtn->setCaption("Диски");
  DiskSizeBtn->setBounds(444, 1, 89, 19);
  GroupBox1 = &start.add<ui::GroupBox>("GroupBox1");
  GroupBox1->setCaption("Выбор местоположения каталогов:");
  GroupBox1->setBounds(3, 20, 531, 239);
  // The group box's client area: inside its frame, below its caption.
  SB = &GroupBox1->add<ui::ScrollBox>("SB");
  SB->setBounds(2, 15, 527, 222);
  CancelBtn = &AddPageButton(start, "CancelBtn", "&Отменить установку");

  // SetupType: radio buttons and comments are made by BuildSetupTypePage.
  SetupGroup = &setupType.add<ui::GroupBox>("SetupGroup");
  SetupGroup->setCaption("Варианты установки:");
  SetupGroup->setBounds(4, 4, 529, 255);
  CancelBtn2 = &AddPageButton(setupType, "CancelBtn2", "&Отменить установку");

  // Custom: the component list.
  Label3 = &AddLabel(app_, custom, "Label3", 4, 8, "Выбор компонентов для установки программы:");
  CustomBox = &custom.add<ui::CheckList>("CustomBox");
  CustomBox->setBounds(4, 23, 530, 236);
  CustomBox->setColumns(2);
  CustomBox->setItemHeight(13);
  CancelBtn3 = &AddPageButton(custom, "CancelBtn3", "&Отменить установку");

  // Process: progress, the rollback banner and the break button.
  CLabel = &AddLabel(app_, process, "CLabel", 4, 4, "Копирование файла");
  FLabel = &AddLabel(app_, process, "FLabel", 0, 4, "");
  FLabel->setWidth(300);
  FileBar = &process.add<ui::ProgressBar>("FileBar");
  FileBar->setBounds(4, 20, 529, 15);
  FileBar->setRange(0, 100);
  Label1 = &AddLabel(app_, process, "Label1", 4, 46, "Всего завершено:");
  PBar = &process.add<ui::ProgressBar>("PBar");
  PBar->setBounds(4, 62, 529, 15);
  PBar->setRange(0, 100);
  AskDisk = &process.add<ui::Panel>("AskDisk");
  AskDisk->setBounds(4, 96, 530, 154);
  AskDisk->setBevels(ui::Bevel::Raised, ui::Bevel::Lowered);
  ui::Font banner = BaseFont();
  banner.height = 16;
  banner.bold = true;
  AskDisk->setFont(banner);
  for (ui::Widget* w : std::initializer_list<ui::Widget*>{CLabel, FLabel, FileBar, Label1, PBar, AskDisk}) w->hide();
  BreakBtn = &AddPageButton(process, "BreakBtn", "&Прервать установку");

  // Final: the flashing text and the option boxes.
  FinalLabel = &final.add<ui::Label>("FinalLabel");
  FinalLabel->setCaption("Установка программы успешно завершена");
  FinalLabel->setBounds(0, 44, 537, 29);
  FinalLabel->setAlignment(ui::TextAlign::Center);
  FinalLabel->setVerticalCenter(true);
  FinalLabel->setFont(ui::Font{"MS SANS SERIF", 16, true, true, false, ui::colors::windowText});
  const int boxTops[3] = {92, 132, 172};
  for (size_t i = 0; i < Boxes.size(); ++i) {
    Boxes[i] = &final.add<ui::CheckBox>("Box" + std::to_string(i + 1));
    Boxes[i]->setBounds(94, boxTops[i], 350, 17);
    Boxes[i]->hide();
  }

  // The navigation buttons lie over the notebook's lower right corner.
  PrevBtn = &f.add<ui::Button>("PrevBtn");
  PrevBtn->setCaption("&Назад");
  PrevBtn->setBounds(383, 317, 75, 25);
  PrevBtn->setGlyph(ui::Glyph::ArrowLeft);
  NextBtn = &f.add<ui::Button>("NextBtn");
  NextBtn->setCaption("&Дальше");
  NextBtn->setBounds(458, 317, 75, 25);
  NextBtn->setDefault(true);
  NextBtn->setGlyph(ui::Glyph::ArrowRight);
  NextBtn->setGlyphRight(true);

  WTimer = &f.addTimer("WTimer", 200);
  AskTimer = &f.addTimer("AskTimer", 100);
  FolderTimer = &f.addTimer("FolderTimer", 400);
  ColorTimer = &f.addTimer("ColorTimer", 400);

  // Handlers.
  f.onShow = [this] { FormShow(); };
  f.onClose = [this] { FormClose(); };
  NB->onPageChanged = [this] { NBPageChanged(); };
  for (ui::Button* b : {CancelBtn, CancelBtn2, CancelBtn3}) b->onClick = [this] { CancelBtn3Click(); };
  BreakBtn->onClick = [this] { BreakBtnClick(); };
  CustomBox->onStateChange = [this](int item) { CustomBoxStateChange(item); };
  WTimer->onTimer = [this] { WTimerTimer(); };
  AskTimer->onTimer = [this] { AskTimerTimer(); };
  FolderTimer->onTimer = [this] { FolderTimerTimer(); };
  ColorTimer->onTimer = [this] { ColorTimerTimer(); };

  PM = std::make_unique<ui::PageManager>(*NB, *NextBtn, *PrevBtn);
  PM->onGetNextPage = [this](int current, int& proposal) { PMGetNextPage(current, proposal); };
  PM->onGetPriorPage = [this](int current, int& proposal) { PMGetPriorPage(current, proposal); };
}

}  // namespace wizard
