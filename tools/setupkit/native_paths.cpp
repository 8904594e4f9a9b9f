#include "tools/setupkit/native_paths.h"

#include <fstream>
#include <iterator>

#include "text/codepage.h"

namespace setupkit {

namespace fs = std::filesystem;

fs::path toPath(const std::string& utf8) {
#ifdef _WIN32
  std::u16string w = text::utf8ToUtf16(utf8);
  return fs::path(std::wstring(w.begin(), w.end()));
#else
  return fs::path(utf8);
#endif
}

std::string fromPath(const fs::path& p) {
#ifdef _WIN32
  std::wstring w = p.wstring();
  return text::utf16ToUtf8(std::u16string(w.begin(), w.end()));
#else
  return p.string();
#endif
}

std::optional<std::string> readHostFile(const fs::path& p) {
  std::error_code ec;
  if (!fs::is_regular_file(p, ec)) return std::nullopt;
  std::ifstream in(p, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

bool writeHostFile(const fs::path& p, const std::string& data, std::string& error) {
  std::error_code ec;
  if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  if (out) out.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (out) out.close();
  if (!out) {
    error = "cannot write " + fromPath(p);
    return false;
  }
  return true;
}

}  // namespace setupkit
