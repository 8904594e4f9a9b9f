#include "ui/message_dialog.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "ui/controls.h"
#include "ui/form.h"

namespace ui {

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
constexpr int kMaxTextWidth = 420;

ButtonKind kindOf(ModalResult r) {
  switch (r) {
    case ModalResult::Ok: return ButtonKind::Ok;
    case ModalResult::Cancel: return ButtonKind::Cancel;
    case ModalResult::Yes: return ButtonKind::Yes;
    case ModalResult::No: return ButtonKind::No;
    case ModalResult::Abort: return ButtonKind::Abort;
    case ModalResult::Retry: return ButtonKind::Retry;
    case ModalResult::Ignore: return ButtonKind::Ignore;
    default: return ButtonKind::Custom;
  }
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t end = text.find_first_of("\r\n", pos);
    lines.push_back(text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
    if (end == std::string_view::npos) break;
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

// Lines a word-wrapped text takes at a width: words fill each line as far
// as it allows.
int wrappedLines(Application& app, const Font& font, std::string_view line, int width) {
  int count = 1;
  std::size_t start = 0;
  std::size_t lastBreak = std::string_view::npos;
  for (std::size_t pos = 0; pos <= line.size(); ++pos) {
    if (pos < line.size() && line[pos] != ' ') continue;
    if (app.textWidth(font, line.substr(start, pos - start)) > width && lastBreak != std::string_view::npos &&
        lastBreak > start) {
      ++count;
      start = lastBreak + 1;
    }
    lastBreak = pos;
  }
  return count;
}

}  // namespace

ModalResult ShowMessageDialog(Application& app, const MessageBoxRequest& request) {
  Form dialog(app, kMessageDialogName);
  dialog.setCaption(request.caption);
  dialog.setBorderStyle(BorderStyle::Dialog);
  dialog.setPosition(FormPosition::ScreenCenter);
  const Font font;  // "MS Sans Serif", 11 pixels
  dialog.setFont(font);

  // The text: as wide as its widest line, up to a limit beyond which it wraps.
  const auto lines = linesOf(request.text);
  int textWidth = 0;
  for (auto line : lines) textWidth = std::max(textWidth, app.textWidth(font, line));
  textWidth = std::min(textWidth, kMaxTextWidth);
  int lineCount = 0;
  for (auto line : lines) lineCount += wrappedLines(app, font, line, textWidth);
  const int lineHeight = app.renderer().lineHeight(font);
  const int textHeight = lineCount * lineHeight;

  const bool hasIcon = request.icon != MessageIcon::None;
  int textLeft = kMargin;
  int textTop = kMargin;
  int contentBottom = kMargin + textHeight;
  if (hasIcon) {
    auto& image = dialog.add<IconImage>("Image");
    image.setBounds(kMargin, kMargin, kIconSize, kIconSize);
    image.setIcon(request.icon);
    textLeft = kMargin + kIconSize + kMargin;
    if (textHeight < kIconSize) textTop = kMargin + (kIconSize - textHeight) / 2;
    contentBottom = std::max(kMargin + kIconSize, textTop + textHeight);
  }
  auto& message = dialog.add<Label>("Message");
  message.setWordWrap(true);
  message.setCaption(request.text);
  message.setBounds(textLeft, textTop, textWidth + 1, textHeight);

  const auto results = resultsOf(request.buttons);
  const int count = static_cast<int>(results.size());
  const int buttonsWidth = count * kButtonWidth + (count - 1) * kButtonGap;
  const int clientWidth = std::max(textLeft + textWidth + kMargin, buttonsWidth + 2 * kMargin);
  const int buttonTop = contentBottom + 14;
  int left = (clientWidth - buttonsWidth) / 2;
  const int defaultIndex = std::clamp(request.defaultButton, 0, count - 1);
  // Esc presses Cancel, or No where there is no Cancel.
  const bool hasCancel = std::find(results.begin(), results.end(), ModalResult::Cancel) != results.end();
  const ModalResult escape = hasCancel ? ModalResult::Cancel : ModalResult::No;
  Button* focus = nullptr;
  for (int i = 0; i < count; ++i) {
    const ModalResult r = results[static_cast<std::size_t>(i)];
    auto& b = dialog.add<Button>(nameOf(r), kindOf(r));
    b.setModalResult(r);
    b.setGlyph(Glyph::None);
    b.setDefault(i == defaultIndex);
    b.setCancel(r == escape);
    b.setBounds(left, buttonTop, kButtonWidth, kButtonHeight);
    if (i == defaultIndex) focus = &b;
    left += kButtonWidth + kButtonGap;
  }
  dialog.setClientSize(clientWidth, buttonTop + kButtonHeight + 10);
  if (focus != nullptr) focus->setFocus();
  // A message box always shows the arrow, whatever the screen cursor is.
  CursorScope arrow(app, Cursor::Default);
  return dialog.showModal();
}

}  // namespace ui
