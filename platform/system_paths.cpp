#include "platform/system_paths.h"

#include "text/codepage.h"

namespace platform {

bool FitsCodePage1251(std::u16string_view path) {
  for (char16_t unit : path) {
    // '?' cannot be in a Windows name; any other character without a 1251
    // form is what this looks for.
    if (unit == u'?') continue;
    if (text::fromUnicode(text::CodePage::cp1251, unit, '?') == '?') return false;
  }
  return true;
}

std::string SystemPathIn1251(std::u16string_view path,
                             const std::function<std::optional<std::u16string>(std::u16string_view)>& shortForm) {
  if (FitsCodePage1251(path)) return text::fromUtf16(text::CodePage::cp1251, path);
  if (shortForm) {
    if (const auto shortPath = shortForm(path); shortPath && !shortPath->empty() && FitsCodePage1251(*shortPath)) {
      return text::fromUtf16(text::CodePage::cp1251, *shortPath);
    }
  }
  return text::fromUtf16(text::CodePage::cp1251, path, '?');
}

bool HoldsUnrepresentableLetters(std::string_view path) {
  if (path.substr(0, 4) == "\\\\?\\") path.remove_prefix(4);
  return path.find('?') != std::string_view::npos;
}

}  // namespace platform
