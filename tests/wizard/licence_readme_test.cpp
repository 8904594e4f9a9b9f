// The licence agreement (accept, decline, close box, deletion, RTF versus
// plain text) and the readme viewer.

#include <gtest/gtest.h>

#include "tests/wizard/dialog_fixture.h"
#include "wizard/licence_dialog.h"
#include "wizard/readme_viewer.h"

namespace wizard {
namespace {

constexpr char kLicenceForm[] = "TfrmLicence";
constexpr char kReadmeForm[] = "TReadmeForm";
constexpr char kLicencePath[] = "C:\\WINDOWS\\TEMP\\STP1A2B\\Licence.txt";

class LicenceTest : public testing::DialogTest {
 protected:
  void PutLicence(const std::string& content) { ASSERT_TRUE(machine.addFile(kLicencePath, content).ok()); }
  bool Show() { return ShowLicenceDialog(app, machine.files(), kLicencePath); }
  bool LicenceExists() { return machine.files().fileExists(kLicencePath); }
};

TEST_F(LicenceTest, AnswersAndTheFileIsGoneBeforeTheDialogShows) {
  struct Case {
    const char* action;  // a button name, or "close" for the close box
    bool accepted;
  };
  const Case cases[] = {{"OKBtn", true}, {"BitBtn2", false}, {"close", false}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    PutLicence("Условия\r\n");
    ui->expectDialog(kLicenceForm).then([this, i](ui::Form&) {
      EXPECT_FALSE(LicenceExists()) << "case " << i << ": still there while the dialog is open";
    });
    if (std::string(c.action) == "close") {
      ui->queue("close box", [this] { ui->findShownForm(kLicenceForm)->close(); });
    } else {
      ui->queueClick(kLicenceForm, c.action);
    }
    EXPECT_EQ(Show(), c.accepted) << "case " << i << ": " << c.action;
    EXPECT_FALSE(LicenceExists()) << "case " << i;
  }
}

TEST_F(LicenceTest, MissingFileCountsAsAcceptedWithoutADialog) { EXPECT_TRUE(Show()); }

TEST_F(LicenceTest, LayoutAndTexts) {
  PutLicence("text");
  ui->expectDialog(kLicenceForm).then([](ui::Form& f) {
    auto& d = dynamic_cast<LicenceForm&>(f);
    EXPECT_EQ(d.caption(), "Лицензионное соглашение");
    EXPECT_EQ(d.borderStyle(), ui::BorderStyle::ToolWindow);
    EXPECT_EQ(d.position(), ui::FormPosition::DesktopCenter);
    EXPECT_EQ(d.width(), 496);
    EXPECT_EQ(d.height(), 348);
    EXPECT_EQ(d.Panel2.caption(), "Внимательно ознакомтесь с данным ЛИЦЕНЗИОННЫМ СОГЛАШЕНИЕМ");
    EXPECT_EQ(d.Panel2.bounds(), (ui::Rect{0, 0, 496, 22}));
    EXPECT_EQ(d.Panel2.alignment(), ui::TextAlign::Left);
    EXPECT_EQ(d.Panel2.bevelOuter(), ui::Bevel::None);
    EXPECT_EQ(d.Panel1.bounds(), (ui::Rect{0, 348 - 31, 496, 31}));
    // The text fills what lies between the panels.
    EXPECT_EQ(d.Text.bounds(), (ui::Rect{0, 22, 496, 348 - 22 - 31}));
    EXPECT_EQ(d.Text.color(), ui::colors::buttonFace);
    EXPECT_EQ(d.OKBtn.caption(), "&Принимаю");
    EXPECT_EQ(d.OKBtn.bounds(), (ui::Rect{233, 4, 125, 25}));
    EXPECT_EQ(d.defaultButton(), &d.OKBtn);
    EXPECT_EQ(d.BitBtn2.caption(), "&Не принимаю");
    EXPECT_EQ(d.BitBtn2.bounds(), (ui::Rect{369, 4, 125, 25}));
    EXPECT_EQ(d.BitBtn2.modalResult(), ui::ModalResult::Cancel);
  });
  ui->queueClick(kLicenceForm, "OKBtn");
  EXPECT_TRUE(Show());
}

TEST_F(LicenceTest, RichTextKeepsItsFormattingAndPlainTextIsShownAsIs) {
  struct Case {
    std::string content;
    bool rtf;
    std::string readerSees;
  };
  const Case cases[] = {
      {"{\\rtf1\\ansi\\ansicpg1251 {\\b \\'d3\\'f1\\'eb\\'ee\\'e2\\'e8\\'ff} licence\\par}", true, "Условия licence"},
      {"Строка 1\r\n  Строка 2 {\\b not rtf}\r\n", false, "Строка 1\r\n  Строка 2 {\\b not rtf}\r\n"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    PutLicence(c.content);
    ui->expectDialog(kLicenceForm).then([&c, i](ui::Form& f) {
      auto& d = dynamic_cast<LicenceForm&>(f);
      EXPECT_EQ(d.Text.content(), c.content) << "case " << i;
      EXPECT_EQ(d.Text.isRtf(), c.rtf) << "case " << i;
      EXPECT_NE(d.Text.plainText().find(c.readerSees.substr(0, 7)), std::string::npos)
          << "case " << i << ": " << d.Text.plainText();
    });
    ui->queueClick(kLicenceForm, "OKBtn");
    EXPECT_TRUE(Show()) << "case " << i;
  }
}

TEST_F(LicenceTest, LockedFileIsRemovedOnceTheDialogCloses) {
  PutLicence("text");
  ASSERT_TRUE(machine.lock(kLicencePath).ok());
  ui->expectDialog(kLicenceForm).then([this](ui::Form&) {
    EXPECT_TRUE(LicenceExists());
    ASSERT_TRUE(machine.lock(kLicencePath, false).ok());
  });
  ui->queueClick(kLicenceForm, "BitBtn2");
  EXPECT_FALSE(Show());
  EXPECT_FALSE(LicenceExists());
}

class ReadmeTest : public testing::DialogTest {};

TEST_F(ReadmeTest, ShowsThePlainTextUntilClosed) {
  const std::string wide(400, 'x');
  ASSERT_TRUE(machine.addFile("C:\\Program Files\\Product\\readme.txt", "Первая\r\n" + wide + "\r\nТретья").ok());
  ui->expectDialog(kReadmeForm).then([&wide](ui::Form& f) {
    auto& d = dynamic_cast<ReadmeForm&>(f);
    EXPECT_EQ(d.caption(), "Просмотр информационного файла");
    EXPECT_EQ(d.borderStyle(), ui::BorderStyle::Sizeable);
    EXPECT_EQ(d.position(), ui::FormPosition::ScreenCenter);
    ASSERT_EQ(d.Memo.lines().size(), 3u);
    EXPECT_EQ(d.Memo.lines()[0], "Первая");
    EXPECT_EQ(d.Memo.lines()[1], wide);
    EXPECT_EQ(d.Memo.lines()[2], "Третья");
    // Long lines scroll sideways.
    EXPECT_FALSE(d.Memo.wordWrap());
    EXPECT_EQ(d.Panel2.height(), 30);
    EXPECT_EQ(d.Panel2.top() + 30, d.height());
    EXPECT_EQ(d.Memo.bounds(), (ui::Rect{0, 0, d.width(), d.height() - 30}));
    EXPECT_EQ(d.Panel3.width(), 99);
    EXPECT_EQ(d.Panel3.left() + 99, d.width());
    EXPECT_EQ(d.BitBtn1.caption(), "&Закрыть");
    EXPECT_EQ(d.BitBtn1.bounds(), (ui::Rect{20, 4, 75, 25}));
  });
  ui->queueClick(kReadmeForm, "BitBtn1");
  ShowReadme(app, machine.files(), "C:\\Program Files\\Product\\readme.txt");
  // The viewer does not touch the file.
  EXPECT_TRUE(machine.files().fileExists("C:\\Program Files\\Product\\readme.txt"));
}

TEST_F(ReadmeTest, CloseBoxClosesIt) {
  ASSERT_TRUE(machine.addFile("C:\\readme.txt", "text").ok());
  ui->expectDialog(kReadmeForm);
  ui->queue("close box", [this] { ui->findShownForm(kReadmeForm)->close(); });
  ShowReadme(app, machine.files(), "C:\\readme.txt");
  EXPECT_EQ(ui->findShownForm(kReadmeForm), nullptr);
}

TEST_F(ReadmeTest, MissingFileShowsNothing) {
  ShowReadme(app, machine.files(), "C:\\Program Files\\Product\\readme.txt");
  EXPECT_TRUE(ui->log().empty());
}

}  // namespace
}  // namespace wizard
