#pragma once
// An archive password. The engine holds passwords as 8-bit text: the
// package password in code page 866, the engine password in ASCII. RAR 3 and
// RAR 5 derive keys from Unicode; the RAR 1.3, 1.5 and 2.0 ciphers use the
// 8-bit bytes as they are.

#include <string>
#include <string_view>

namespace rar {

class Password {
 public:
  Password() = default;
  static Password fromOem866(std::string_view bytes);
  static Password fromUtf8(std::string_view utf8);

  bool empty() const { return utf8_.empty(); }
  const std::string& oem() const { return oem_; }
  const std::u16string& utf16() const { return utf16_; }
  const std::string& utf8() const { return utf8_; }
  bool operator==(const Password& o) const { return utf8_ == o.utf8_ && oem_ == o.oem_; }

 private:
  std::string oem_;
  std::u16string utf16_;
  std::string utf8_;
};

}  // namespace rar
