#include "platform/sim/shell_state.h"

#include <cstdlib>

#include "platform/sim/file_store.h"

namespace platform::sim {

namespace {

// First line of a simulated link file.
constexpr std::string_view linkSignature = "[sim shell link]";

std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

std::string unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char next = s[++i];
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

ShellState::ShellState(FileStore& files) : files_(files) {
  const std::string user = "C:\\Users\\User";
  const std::string roaming = user + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
  const std::string common = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  folders_ = {
      {csidl::desktop, user + "\\Desktop"},
      {csidl::programs, roaming + "\\Programs"},
      {csidl::personal, user + "\\Documents"},
      {csidl::startup, roaming + "\\Programs\\Startup"},
      {csidl::startMenu, roaming},
      {csidl::desktopDirectory, user + "\\Desktop"},
      {csidl::fonts, "C:\\WINDOWS\\Fonts"},
      {csidl::commonStartMenu, common},
      {csidl::commonPrograms, common + "\\Programs"},
      {csidl::commonStartup, common + "\\Programs\\Startup"},
      {csidl::commonDesktopDirectory, "C:\\Users\\Public\\Desktop"},
      {csidl::appData, user + "\\AppData\\Roaming"},
      {csidl::commonAppData, "C:\\ProgramData"},
      {csidl::windows, "C:\\WINDOWS"},
      {csidl::system, "C:\\WINDOWS\\SYSTEM32"},
      {csidl::programFiles, "C:\\Program Files"},
      {csidl::programFilesCommon, "C:\\Program Files\\Common Files"},
  };
}

Result<std::string> ShellState::specialFolder(int csidl) {
  auto it = folders_.find(csidl);
  if (it == folders_.end()) return Status(Code::notFound, 0x80004005u, "no special folder " + std::to_string(csidl));
  return it->second;
}

void ShellState::setSpecialFolder(int csidl, std::string path) {
  if (path.empty()) {
    folders_.erase(csidl);
  } else {
    folders_[csidl] = std::move(path);
  }
}

Status ShellState::saveLink(const std::string& linkPath, const ShellLink& link) {
  std::string text(linkSignature);
  text += "\r\ntarget=" + escape(link.target);
  text += "\r\narguments=" + escape(link.arguments);
  text += "\r\nworkingDirectory=" + escape(link.workingDirectory);
  text += "\r\ndescription=" + escape(link.description);
  text += "\r\niconPath=" + escape(link.iconPath);
  text += "\r\niconIndex=" + std::to_string(link.iconIndex);
  text += "\r\nshowCommand=" + std::to_string(link.showCommand);
  text += "\r\n";
  return writeWholeFile(files_, linkPath, text);
}

Result<ShellLink> ShellState::loadLink(const std::string& linkPath) {
  auto text = readWholeFile(files_, linkPath);
  if (!text) return text.status();
  std::string_view rest = *text;
  if (!rest.starts_with(linkSignature)) return Status(Code::invalidArgument, 0x80004005u, "not a shell link: " + linkPath);
  ShellLink link;
  while (!rest.empty()) {
    const size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 2);
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq);
    const std::string value = unescape(line.substr(eq + 1));
    if (key == "target") link.target = value;
    else if (key == "arguments") link.arguments = value;
    else if (key == "workingDirectory") link.workingDirectory = value;
    else if (key == "description") link.description = value;
    else if (key == "iconPath") link.iconPath = value;
    else if (key == "iconIndex") link.iconIndex = std::atoi(value.c_str());
    else if (key == "showCommand") link.showCommand = std::atoi(value.c_str());
  }
  return link;
}

Status ShellState::open(const std::string& file, const std::string& parameters, const std::string& directory,
                        int showCommand) {
  opened_.push_back(ShellOpen{file, parameters, directory, showCommand});
  // A path on a drive must exist; anything else (a URL, a registered
  // program name) is taken as the shell would find it.
  const bool isDrivePath = file.size() >= 2 && file[1] == ':';
  if (isDrivePath && !files_.exists(file)) return Status(Code::notFound, 2, file);
  return {};
}

std::string ShellState::toString() const {
  std::string out;
  for (const ShellOpen& o : opened_)
    out += "  shell open: " + o.file + " [" + o.parameters + "] in " + o.directory + " show " +
           std::to_string(o.showCommand) + "\n";
  return out;
}

}  // namespace platform::sim
