#pragma once
// The engine's seam to the user for messages: the wizard's UI implements it
// (real message boxes in setup.exe, a scripted responder in tests, plain
// text in the author's tool).

#include <cstdint>
#include <string>

namespace startup {

enum class MessageKind : uint8_t {
  error = 2,     // error icon, OK
  question = 7,  // confirmation, Yes and No
  warning = 8,   // warning icon, OK
};

// Standard dialog results.
enum DialogResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

enum class Cursor { arrow, wait };

class MessageUi {
 public:
  virtual ~MessageUi() = default;
  // Shows a message dialog of the kind and returns the button pressed.
  virtual int showMessage(const std::string& text, MessageKind kind) = 0;
  virtual Cursor cursor() const = 0;
  virtual void setCursor(Cursor cursor) = 0;
};

// Shows the message with the arrow cursor and restores the cursor after it.
int SetupMessage(MessageUi& ui, const std::string& text, MessageKind kind);

// Script-reading messages.
inline constexpr const char kScriptVersionMessage[] = "Недопустимая версия файла директив";

}  // namespace startup
