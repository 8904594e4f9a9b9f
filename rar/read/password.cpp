#include "rar/read/password.h"

#include "text/codepage.h"

namespace rar {

Password Password::fromOem866(std::string_view bytes) {
  Password p;
  p.oem_ = std::string(bytes);
  p.utf16_ = text::toUtf16(text::CodePage::cp866, bytes);
  p.utf8_ = text::utf16ToUtf8(p.utf16_);
  return p;
}

Password Password::fromUtf8(std::string_view utf8) {
  Password p;
  p.utf8_ = std::string(utf8);
  p.utf16_ = text::utf8ToUtf16(utf8);
  p.oem_ = text::fromUtf16(text::CodePage::cp866, p.utf16_);
  return p;
}

}  // namespace rar
