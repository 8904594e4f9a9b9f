#include "tools/setupkit/sign_tool.h"

#include <system_error>

#include "text/codepage.h"
#include "tools/setupkit/native_paths.h"

#ifdef _WIN32
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace setupkit {

namespace fs = std::filesystem;

int RunProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) return -1;
#ifdef _WIN32
  std::vector<std::wstring> wide;
  for (const auto& a : argv) {
    std::u16string w = text::utf8ToUtf16(a);
    // _wspawnvp joins the arguments into one command line: quote them.
    std::wstring q = L"\"";
    for (char16_t c : w) {
      if (c == u'"') q += L'\\';
      q += static_cast<wchar_t>(c);
    }
    q += L"\"";
    wide.push_back(q);
  }
  std::vector<const wchar_t*> ptrs;
  for (const auto& w : wide) ptrs.push_back(w.c_str());
  ptrs.push_back(nullptr);
  std::u16string prog = text::utf8ToUtf16(argv[0]);
  intptr_t rc = _wspawnvp(_P_WAIT, std::wstring(prog.begin(), prog.end()).c_str(), ptrs.data());
  return rc < 0 ? -1 : static_cast<int>(rc);
#else
  std::vector<char*> ptrs;
  for (const auto& a : argv) ptrs.push_back(const_cast<char*>(a.c_str()));
  ptrs.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0].c_str(), nullptr, nullptr, ptrs.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

bool SignExecutable(const std::string& tool, const fs::path& file, const fs::path& cert,
                    const std::optional<fs::path>& passwordFile, const std::string& description, std::string& error) {
  fs::path signedCopy = file;
  signedCopy += ".signed";
  std::error_code ec;
  fs::remove(signedCopy, ec);
  std::vector<std::string> argv{tool, "sign", "-pkcs12", fromPath(cert), "-h", "sha256"};
  if (passwordFile) {
    argv.push_back("-readpass");
    argv.push_back(fromPath(*passwordFile));
  }
  if (!description.empty()) {
    argv.push_back("-n");
    argv.push_back(description);
  }
  argv.insert(argv.end(), {"-in", fromPath(file), "-out", fromPath(signedCopy)});
  int rc = RunProgram(argv);
  if (rc != 0 || !fs::exists(signedCopy, ec)) {
    fs::remove(signedCopy, ec);
    error = rc < 0 ? tool + " could not be started (install osslsigncode)" : tool + " failed with status " + std::to_string(rc);
    return false;
  }
  fs::rename(signedCopy, file, ec);
  if (ec) {
    error = "cannot replace " + fromPath(file) + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace setupkit
