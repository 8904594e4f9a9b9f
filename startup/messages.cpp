#include "startup/messages.h"

namespace startup {

int SetupMessage(MessageUi& ui, const std::string& text, MessageKind kind) {
  Cursor saved = ui.cursor();
  ui.setCursor(Cursor::arrow);
  int result = ui.showMessage(text, kind);
  ui.setCursor(saved);
  return result;
}

}  // namespace startup
