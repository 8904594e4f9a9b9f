// Stock buttons, modal results, the close query, default and cancel keys.

#include <gtest/gtest.h>

#include "tests/ui/headless_fixture.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace ui {
namespace {

TEST(StockButtonTest, KindsBringCaptionResultAndFlags) {
  struct Case {
    ButtonKind kind;
    const char* caption;
    ModalResult result;
    bool isDefault;
    bool isCancel;
  };
  const Case cases[] = {
      {ButtonKind::Ok, "OK", ModalResult::Ok, true, false},
      {ButtonKind::Cancel, "Отмена", ModalResult::Cancel, false, true},
      {ButtonKind::Yes, "&Да", ModalResult::Yes, true, false},
      {ButtonKind::No, "&Нет", ModalResult::No, false, true},
      {ButtonKind::Abort, "Прервать", ModalResult::Abort, false, false},
      {ButtonKind::Retry, "&Повторить", ModalResult::Retry, false, false},
      {ButtonKind::Ignore, "&Пропустить", ModalResult::Ignore, false, false},
      {ButtonKind::All, "&Все", ModalResult::All, false, false},
      {ButtonKind::Close, "&Закрыть", ModalResult::None, false, false},
      {ButtonKind::Help, "&Справка", ModalResult::None, false, false},
  };
  Application app(std::make_unique<headless::HeadlessRenderer>([](const std::string& m) { ADD_FAILURE() << m; }));
  Form f(app, "F");
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    auto& b = f.add<Button>("B" + std::to_string(i), c.kind);
    EXPECT_EQ(b.caption(), c.caption) << "case " << i;
    EXPECT_EQ(b.modalResult(), c.result) << "case " << i;
    EXPECT_EQ(b.isDefault(), c.isDefault) << "case " << i;
    EXPECT_EQ(b.isCancel(), c.isCancel) << "case " << i;
  }
  // The kind set later (the Finish button) replaces the custom settings.
  auto& next = f.add<Button>("NextBtn");
  next.setCaption("&Дальше");
  next.setKind(ButtonKind::Ok);
  EXPECT_EQ(next.caption(), "OK");
  EXPECT_EQ(next.modalResult(), ModalResult::Ok);
  EXPECT_TRUE(next.isDefault());
}

class ModalTest : public testing::HeadlessTest {};

// The overwrite question's shape: four answers and a close query that only
// lets the four answers close it.
struct OverwriteDialog {
  explicit OverwriteDialog(Application& app) : form(app, "TAskForOverwrite") {
    form.add<Button>("YesBtn").setModalResult(ModalResult::Yes);
    form.add<Button>("YesToAllBtn").setModalResult(ModalResult::YesToAll);
    auto& no = form.add<Button>("NoBtn");
    no.setModalResult(ModalResult::No);
    no.setCancel(true);
    form.add<Button>("NoToAllBtn").setModalResult(ModalResult::NoToAll);
    form.onCloseQuery = [this] {
      const ModalResult r = form.modalResult();
      ++queries;
      return r == ModalResult::Yes || r == ModalResult::No || r == ModalResult::NoToAll ||
             r == ModalResult::YesToAll;
    };
  }
  Form form;
  int queries = 0;
};

TEST_F(ModalTest, QueuedClickInsideTheDialogGivesItsModalResult) {
  OverwriteDialog d(app);
  ui->expectDialog("TAskForOverwrite");
  ui->queueClick("TAskForOverwrite", "YesToAllBtn");
  EXPECT_EQ(d.form.showModal(), ModalResult::YesToAll);
  EXPECT_FALSE(d.form.shown());
}

TEST_F(ModalTest, ResponderAnswerGivesTheModalResult) {
  OverwriteDialog d(app);
  ui->expectDialog("TAskForOverwrite").answer(ModalResult::NoToAll);
  EXPECT_EQ(d.form.showModal(), ModalResult::NoToAll);
}

TEST_F(ModalTest, CloseQueryKeepsTheDialogOpenOnTheCloseBox) {
  OverwriteDialog d(app);
  ui->expectDialog("TAskForOverwrite").then([](Form& f) { f.close(); });
  ui->queueClick("TAskForOverwrite", "NoBtn");
  EXPECT_EQ(d.form.showModal(), ModalResult::No);
  EXPECT_EQ(d.queries, 2);  // the close box was refused, then No accepted
}

TEST_F(ModalTest, EscPressesTheCancelButtonAndEnterTheDefault) {
  OverwriteDialog d(app);
  ui->expectDialog("TAskForOverwrite").then([this](Form& f) { ui->pressKey(f, keys::escape); });
  EXPECT_EQ(d.form.showModal(), ModalResult::No);

  Form ok(app, "TAskForm");
  ok.add<Button>("OKBtn", ButtonKind::Ok);
  auto& cancel = ok.add<Button>("CancelBtn", ButtonKind::Cancel);
  cancel.setCaption("&Отменить");
  ui->expectDialog("TAskForm").then([this](Form& f) { ui->pressKey(f, keys::enter); });
  EXPECT_EQ(ok.showModal(), ModalResult::Ok);
  ui->expectDialog("TAskForm").then([this](Form& f) { ui->pressKey(f, keys::escape); });
  EXPECT_EQ(ok.showModal(), ModalResult::Cancel);
}

TEST_F(ModalTest, EnterPressesTheFocusedButtonRatherThanTheDefault) {
  Form f(app, "TAskForOverwrite");
  f.add<Button>("YesBtn", ButtonKind::Yes);
  auto& noToAll = f.add<Button>("NoToAllBtn");
  noToAll.setModalResult(ModalResult::NoToAll);
  ui->expectDialog("TAskForOverwrite").then([this, &noToAll](Form& form) {
    noToAll.setFocus();
    ui->pressKey(form, keys::enter);
  });
  EXPECT_EQ(f.showModal(), ModalResult::NoToAll);
}

TEST_F(ModalTest, DisabledDefaultButtonIsNotPressedByEnter) {
  Form f(app, "TAskForOverwrite");
  auto& yes = f.add<Button>("YesBtn", ButtonKind::Yes);
  f.add<Button>("YesToAllBtn").setModalResult(ModalResult::YesToAll);
  yes.setEnabled(false);  // AllAnswersOnly
  ui->expectDialog("TAskForOverwrite").then([this](Form& form) {
    ui->pressKey(form, keys::enter);
    EXPECT_EQ(form.modalResult(), ModalResult::None);
    ui->click(form.get<Button>("YesToAllBtn"));
  });
  EXPECT_EQ(f.showModal(), ModalResult::YesToAll);
}

TEST_F(ModalTest, ClickHandlerRunsBeforeTheCloseQuery) {
  Form f(app, "TAskForm");
  auto& ok = f.add<Button>("OKBtn", ButtonKind::Ok);
  std::vector<std::string> order;
  ok.onClick = [&] { order.push_back("click"); };
  f.onCloseQuery = [&] {
    order.push_back("query");
    return true;
  };
  ui->expectDialog("TAskForm");
  ui->queueClick("TAskForm", "OKBtn");
  EXPECT_EQ(f.showModal(), ModalResult::Ok);
  EXPECT_EQ(order, (std::vector<std::string>{"click", "query"}));
}

TEST_F(ModalTest, CloseKindButtonClosesTheForm) {
  Form f(app, "TReadmeForm");
  f.add<Button>("BitBtn1", ButtonKind::Close);
  ui->expectDialog("TReadmeForm");
  ui->queueClick("TReadmeForm", "BitBtn1");
  EXPECT_EQ(f.showModal(), ModalResult::Cancel);
}

TEST_F(ModalTest, ClosingTheMainFormTerminatesAndRunsTheCloseSteps) {
  Form main(app, "frmInstall");
  bool closed = false;
  main.onClose = [&] { closed = true; };
  main.showForm();
  EXPECT_EQ(app.mainForm(), &main);
  main.close();
  EXPECT_TRUE(closed);
  EXPECT_TRUE(app.terminated());
  EXPECT_TRUE(ui->quitRequested());
}

TEST_F(ModalTest, FormShownFromTheMainFormsOnShowIsNotTheMainForm) {
  Form main(app, "frmInstall");
  Form tile(app, "frmTile");
  main.onShow = [&] {
    tile.showForm();
    app.bringToFront();
  };
  main.showForm();
  EXPECT_EQ(app.mainForm(), &main);
  EXPECT_TRUE(tile.shown());
  EXPECT_EQ(ui->bringToFrontCount(), 1);
  tile.close();  // closing another form does not end the application
  EXPECT_FALSE(app.terminated());
}

TEST_F(ModalTest, CloseQueryCanKeepTheMainFormOpen) {
  Form main(app, "frmInstall");
  main.onCloseQuery = [] { return false; };
  main.showForm();
  main.close();
  EXPECT_TRUE(main.shown());
  EXPECT_FALSE(app.terminated());
}

}  // namespace
}  // namespace ui
