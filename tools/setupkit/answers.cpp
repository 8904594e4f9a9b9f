#include "tools/setupkit/answers.h"

#include "text/codepage.h"
#include "tools/setupkit/ini_text.h"

namespace setupkit {

namespace {

std::string to1251(const std::string& utf8) { return text::fromUtf8(text::CodePage::cp1251, utf8); }
std::string toUtf8(const std::string& s1251) { return text::toUtf8(text::CodePage::cp1251, s1251); }
std::string fold(const std::string& s1251) { return text::upper1251(s1251); }

struct OverwriteName {
  const char* name;
  OverwriteAnswer answer;
};
constexpr OverwriteName kOverwrite[] = {{"yes", OverwriteAnswer::yes},
                                        {"no", OverwriteAnswer::no},
                                        {"yes-to-all", OverwriteAnswer::yesToAll},
                                        {"no-to-all", OverwriteAnswer::noToAll}};

std::optional<OverwriteAnswer> overwriteOf(const std::string& s) {
  for (const auto& o : kOverwrite)
    if (IniNameIs(s, o.name)) return o.answer;
  return std::nullopt;
}
const char* overwriteName(OverwriteAnswer a) {
  for (const auto& o : kOverwrite)
    if (o.answer == a) return o.name;
  return "yes";
}

std::vector<std::string> splitList(const std::string& s) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at <= s.size()) {
    size_t comma = s.find(',', at);
    std::string part = s.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    at = comma == std::string::npos ? s.size() + 1 : comma + 1;
    size_t a = part.find_first_not_of(" \t");
    if (a == std::string::npos) continue;
    out.push_back(part.substr(a, part.find_last_not_of(" \t") - a + 1));
  }
  return out;
}

}  // namespace

std::optional<OverwriteAnswer> Answers::overwriteFor(const std::string& targetName) const {
  auto it = overwrite.find(fold(targetName));
  if (it != overwrite.end()) return it->second;
  return std::nullopt;
}

bool ParseAnswers(const std::string& utf8, Answers& a, std::string& error) {
  std::vector<IniEntry> entries;
  if (!ParseIni(utf8, entries, error)) return false;
  for (const auto& e : entries) {
    auto bad = [&](const std::string& why) {
      error = "line " + std::to_string(e.line) + ": [" + e.section + "] " + e.key + ": " + why;
      return false;
    };
    const std::string& s = e.section;
    if (IniNameIs(s, "Wizard")) {
      if (IniNameIs(e.key, "Licence") || IniNameIs(e.key, "License")) {
        if (IniNameIs(e.value, "accept")) a.acceptLicence = true;
        else if (IniNameIs(e.value, "decline")) a.acceptLicence = false;
        else return bad("expected accept or decline");
      } else if (IniNameIs(e.key, "SetupType")) {
        a.setupType = to1251(e.value);
      } else if (IniNameIs(e.key, "Components")) {
        std::vector<std::string> list;
        for (const auto& c : splitList(e.value)) list.push_back(to1251(c));
        a.components = list;
      } else if (IniNameIs(e.key, "Copy")) {
        if (IniNameIs(e.value, "yes")) a.confirmCopy = true;
        else if (IniNameIs(e.value, "no")) a.confirmCopy = false;
        else return bad("expected yes or no");
      } else if (IniNameIs(e.key, "Break")) {
        if (e.value.empty()) return bad("name where to break");
        a.breakAt = to1251(e.value);
      } else {
        return bad("unknown key (Licence, SetupType, Components, Copy, Break)");
      }
    } else if (IniNameIs(s, "Directories")) {
      if (e.key.size() < 4 || !IniNameIs(e.key.substr(0, 3), "Dir")) return bad("expected DirN");
      int n = std::atoi(e.key.c_str() + 3);
      if (n < 1) return bad("expected DirN with N from 1");
      a.directories[n] = to1251(e.value);
    } else if (IniNameIs(s, "Overwrite")) {
      auto o = overwriteOf(e.value);
      if (!o) return bad("expected yes, no, yes-to-all or no-to-all");
      if (IniNameIs(e.key, "Default")) a.overwriteDefault = *o;
      else a.overwrite[fold(to1251(e.key))] = *o;
    } else if (IniNameIs(s, "Final")) {
      if (e.value != "0" && e.value != "1") return bad("expected 0 or 1");
      if (IniNameIs(e.key, "Readme")) a.finalBoxes["readme"] = e.value == "1";
      else if (IniNameIs(e.key, "Run")) a.finalBoxes["run"] = e.value == "1";
      else if (IniNameIs(e.key, "Restart")) a.finalBoxes["restart"] = e.value == "1";
      else return bad("unknown key (Readme, Run, Restart)");
    } else if (IniNameIs(s, "Volumes")) {
      if (!IniNameIs(e.key, "Answer")) return bad("unknown key (Answer)");
      if (IniNameIs(e.value, "cancel")) a.volumeFolder.reset();
      else a.volumeFolder = to1251(e.value);
    } else if (IniNameIs(s, "Messages")) {
      if (!IniNameIs(e.value, "yes") && !IniNameIs(e.value, "no") && !IniNameIs(e.value, "ok") &&
          !IniNameIs(e.value, "cancel"))
        return bad("expected yes, no, ok or cancel");
      a.messages.push_back({to1251(e.key), e.value});
    } else {
      return bad("unknown section (Wizard, Directories, Overwrite, Final, Volumes, Messages)");
    }
  }
  return true;
}

std::string WriteAnswers(const Answers& a) {
  std::string o = "[Wizard]\r\n";
  o += std::string("Licence=") + (a.acceptLicence ? "accept" : "decline") + "\r\n";
  if (a.setupType) o += "SetupType=" + toUtf8(*a.setupType) + "\r\n";
  if (a.components) {
    std::string list;
    for (const auto& c : *a.components) list += (list.empty() ? "" : ", ") + toUtf8(c);
    o += "Components=" + list + "\r\n";
  }
  o += std::string("Copy=") + (a.confirmCopy ? "yes" : "no") + "\r\n";
  if (a.breakAt) o += "Break=" + toUtf8(*a.breakAt) + "\r\n";
  if (!a.directories.empty()) {
    o += "\r\n[Directories]\r\n";
    for (const auto& [n, p] : a.directories) o += "Dir" + std::to_string(n) + "=" + toUtf8(p) + "\r\n";
  }
  o += "\r\n[Overwrite]\r\nDefault=" + std::string(overwriteName(a.overwriteDefault)) + "\r\n";
  for (const auto& [k, v] : a.overwrite) o += toUtf8(k) + "=" + overwriteName(v) + "\r\n";
  if (!a.finalBoxes.empty()) {
    o += "\r\n[Final]\r\n";
    for (const auto& [k, v] : a.finalBoxes)
      o += std::string(k == "readme" ? "Readme" : k == "run" ? "Run" : "Restart") + "=" + (v ? "1" : "0") + "\r\n";
  }
  if (a.volumeFolder) o += "\r\n[Volumes]\r\nAnswer=" + toUtf8(*a.volumeFolder) + "\r\n";
  if (!a.messages.empty()) {
    o += "\r\n[Messages]\r\n";
    for (const auto& [k, v] : a.messages) o += toUtf8(k) + "=" + v + "\r\n";
  }
  return o;
}

}  // namespace setupkit
