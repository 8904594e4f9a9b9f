// A small program that shows the toolkit's widgets in real windows: a form
// with Russian captions, a notebook of two pages driven by a page manager,
// buttons, a check list, progress bars and a rich edit with RTF. The GUI
// smoke test drives it with the robot and takes screenshots.

#include <windows.h>

#include <memory>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/notebook.h"
#include "ui/page_manager.h"
#include "ui/win32/win32_renderer.h"

namespace {

constexpr const char* kLicenceRtf =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}"
    "{\\colortbl;\\red192\\green0\\blue0;\\red0\\green0\\blue160;}"
    "\\f0\\fs20\\b\\'cb\\'e8\\'f6\\'e5\\'ed\\'e7\\'e8\\'ee\\'ed\\'ed\\'ee\\'e5 "
    "\\'f1\\'ee\\'e3\\'eb\\'e0\\'f8\\'e5\\'ed\\'e8\\'e5\\b0\\par "
    "\\i\\cf2 \\'c2\\'ed\\'e8\\'ec\\'e0\\'f2\\'e5\\'eb\\'fc\\'ed\\'ee \\'ef\\'f0\\'ee\\'f7\\'f2\\'e8\\'f2\\'e5 "
    "\\'f2\\'e5\\'ea\\'f1\\'f2.\\i0\\cf0\\par "
    "\\cf1\\ul \\'c2\\'e0\\'e6\\'ed\\'ee:\\ulnone\\cf0  \\'ef\\'f0\\'ee\\'e3\\'f0\\'e0\\'ec\\'ec\\'e0 "
    "\\'f0\\'e0\\'f1\\'ef\\'f0\\'ee\\'f1\\'f2\\'f0\\'e0\\'ed\\'ff\\'e5\\'f2\\'f1\\'ff \\'ea\\'e0\\'ea \\'e5\\'f1\\'f2\\'fc.\\par }";

class DemoWindow {
 public:
  explicit DemoWindow(ui::Application& app) : app_(app), form_(app, "frmDemo") {
    form_.setCaption("Демонстрация элементов установки");
    form_.setBorderStyle(ui::BorderStyle::Dialog);
    form_.setClientSize(536, 345);
    buildHeader();
    buildPages();
    buildButtons();
    pm_ = std::make_unique<ui::PageManager>(*nb_, *next_, *back_);
    timer_ = &form_.addTimer("ProgressTimer", 100);
    timer_->onTimer = [this] { step(); };
    nb_->onPageChanged = [this] { timer_->setEnabled(nb_->activePageName() == "Process"); };
    form_.onClose = [this] { timer_->setEnabled(false); };
  }

  void show() {
    pm_->start();
    form_.showForm();
  }

 private:
  void buildHeader() {
    auto& title = form_.add<ui::Label>("Title");
    title.setBounds(0, 0, 536, 33);
    title.setAlignment(ui::TextAlign::Center);
    title.setVerticalCenter(true);
    title.setWordWrap(true);
    title.setFont(ui::Font{"MS Sans Serif", 15, true, true, false, ui::colors::blue});
    title.setCaption("Программа установки «Пример»");
    auto& copyright = form_.add<ui::Label>("CopyrightLabel");
    copyright.setBounds(0, 33, 536, 13);
    copyright.setFont(ui::Font{"MS Sans Serif", 11, true, false, false, ui::colors::windowText});
    copyright.setCaption("  © ООО «Пример», 2026");
  }

  void buildPages() {
    nb_ = &form_.add<ui::Notebook>("NB");
    nb_->setBounds(0, 52, 536, 293);
    auto& start = nb_->addPage("Start");
    auto& size = start.add<ui::Label>("SizeLabel");
    size.setBounds(8, 4, 400, 13);
    size.setCaption("Для установки программы необходимо 1234 Kb");
    auto& disks = start.add<ui::SpeedButton>("DiskSizeBtn");
    disks.setBounds(444, 1, 89, 19);
    disks.setCaption("Диски");
    disks.addMenuItem({"C: Свободно 1048576 Kb", true, 0, [this] { dirEdit_->setText("C:" + dirEdit_->text().substr(2)); }});
    disks.addMenuItem({"D: Свободно 12 Kb", false, 0, {}});
    auto& group = start.add<ui::GroupBox>("GroupBox1");
    group.setBounds(3, 22, 531, 80);
    group.setCaption("Выбор местоположения каталогов:");
    auto& dirLabel = group.add<ui::Label>("DirLabel0");
    dirLabel.setBounds(8, 18, 300, 13);
    dirLabel.setCaption("Каталог программы:");
    dirEdit_ = &group.add<ui::PathEdit>("DirEdit0", ui::PathEdit::Kind::Directory);
    dirEdit_->setBounds(49, 36, 531 - 49 - 15, 21);
    dirEdit_->setButtonHint("F3");
    dirEdit_->setText("C:\\Program Files\\Пример");
    auto& components = start.add<ui::Label>("Label3");
    components.setBounds(4, 108, 400, 13);
    components.setCaption("Выбор компонентов для установки программы:");
    auto& list = start.add<ui::CheckList>("CustomBox");
    list.setBounds(4, 123, 530, 132);
    const char* groups[] = {"Основные файлы программы", "Документация", "Примеры баз данных", "Справочная система"};
    for (int i = 0; i < 4; ++i) {
      list.addItem(groups[i], i);
      list.setChecked(i, true);
    }
    list.setItemEnabled(0, false);  // a required group
    auto& cancel = start.add<ui::Button>("CancelBtn", ui::ButtonKind::Cancel);
    cancel.setCaption("&Отменить установку");
    cancel.setBounds(4, 265, 153, 25);
    cancel.onClick = [this] {
      if (app_.messageBox("Прервать установку программы?", "Подтверждение", ui::MessageButtons::YesNo,
                          ui::MessageIcon::Question, 1) == ui::ModalResult::Yes) {
        form_.close();
      }
    };

    auto& process = nb_->addPage("Process");
    auto& clabel = process.add<ui::Label>("CLabel");
    clabel.setBounds(4, 4, 0, 13);
    clabel.setAutoSize(true);
    clabel.setCaption("Копирование файла");
    fileLabel_ = &process.add<ui::Label>("FLabel");
    fileLabel_->setBounds(clabel.bounds().right() + 4, 4, 529 - clabel.bounds().right() - 4, 13);
    fileLabel_->setCaption("C:\\Program Files\\Пример\\Справка.hlp");
    fileBar_ = &process.add<ui::ProgressBar>("FileBar");
    fileBar_->setBounds(4, 20, 529, 15);
    auto& total = process.add<ui::Label>("Label1");
    total.setBounds(4, 46, 200, 13);
    total.setCaption("Всего завершено:");
    totalBar_ = &process.add<ui::ProgressBar>("PBar");
    totalBar_->setBounds(4, 62, 529, 15);
    auto& rich = process.add<ui::RichEdit>("Text");
    rich.setBounds(4, 86, 529, 170);
    rich.setColor(ui::colors::buttonFace);
    rich.setContent(kLicenceRtf);
    auto& info = process.add<ui::Button>("InfoBtn");
    info.setCaption("&Сведения");
    info.setBounds(200, 265, 120, 25);
    info.onClick = [this] {
      app_.messageBox("Проверка окна сообщения: кириллица отображается.", "Сведения", ui::MessageButtons::Ok,
                      ui::MessageIcon::Information);
    };
    auto& breakBtn = process.add<ui::Button>("BreakBtn", ui::ButtonKind::Cancel);
    breakBtn.setCaption("&Прервать установку");
    breakBtn.setBounds(4, 265, 153, 25);
    breakBtn.onClick = [this] { timer_->setEnabled(false); };
  }

  void buildButtons() {
    back_ = &form_.add<ui::Button>("PrevBtn");
    back_->setCaption("&Назад");
    back_->setBounds(383, 317, 75, 25);
    next_ = &form_.add<ui::Button>("NextBtn");
    next_->setCaption("&Дальше");
    next_->setBounds(458, 317, 75, 25);
    next_->setDefault(true);
  }

  void step() {
    fileBar_->setPosition(fileBar_->position() >= 100 ? 0 : fileBar_->position() + 10);
    if (totalBar_->position() < 60) totalBar_->setPosition(totalBar_->position() + 2);
  }

  ui::Application& app_;
  ui::Form form_;
  ui::Notebook* nb_ = nullptr;
  ui::Button* next_ = nullptr;
  ui::Button* back_ = nullptr;
  ui::PathEdit* dirEdit_ = nullptr;
  ui::Label* fileLabel_ = nullptr;
  ui::ProgressBar* fileBar_ = nullptr;
  ui::ProgressBar* totalBar_ = nullptr;
  ui::Timer* timer_ = nullptr;
  std::unique_ptr<ui::PageManager> pm_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  ui::Application app(std::make_unique<ui::win32::Win32Renderer>(instance));
  DemoWindow window(app);
  window.show();
  app.run();
  return 0;
}
