#include "wizard/background_window.h"

namespace wizard {

namespace {
constexpr int kColorCount = 128;
}  // namespace

ui::Font BackgroundCaptionFont(ui::Color colorStart) {
  ui::Font font;
  font.name = "MS Sans Serif";
  font.height = 24;
  font.italic = true;
  font.color = colorStart == ui::colors::lime ? ui::colors::yellow : ui::colors::lime;
  return font;
}

BackgroundWindow::BackgroundWindow(ui::Application& app, ui::Color color)
    : ui::Form(app, "TfrmTile"), Fill(add<ui::GradientPanel>("Fill")) {
  setBorderStyle(ui::BorderStyle::None);
  setMaximized(true);
  // Decoration only: it can be neither activated nor clicked.
  setEnabled(false);

  Fill.setAlign(ui::Align::Client);
  Fill.setColors(color, ui::colors::black);
  Fill.setColorCount(kColorCount);
  Fill.setShadowColor(ui::colors::black);
  Fill.setFont(BackgroundCaptionFont(color));
  realign();
}

std::unique_ptr<BackgroundWindow> ShowBackgroundWindow(ui::Application& app, const std::string& title, int32_t color) {
  if (color == 0) return nullptr;
  auto window = std::make_unique<BackgroundWindow>(app, static_cast<ui::Color>(static_cast<uint32_t>(color)));
  window->Fill.setCaption(title);

  // Showing a form modelessly makes it the main form when there is none yet
  // (the wizard may still be in its first show). The background must never
  // be it: closing the main form ends the program.
  ui::Form* const mainForm = app.mainForm();
  window->showForm();
  if (app.mainForm() == window.get()) app.setMainForm(mainForm);

  app.bringToFront();
  return window;
}

}  // namespace wizard
