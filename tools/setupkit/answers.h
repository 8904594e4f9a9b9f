#pragma once
// The user's answers to the wizard for "setupkit simulate" (UTF-8 INI; every
// part optional, the defaults accept every page):
//   [Wizard]       Licence=accept|decline, SetupType=<number>|<name>|Custom,
//                  Components=<names or numbers, comma separated>,
//                  Copy=yes|no, Break=<where>
//   [Directories]  Dir1=C:\Path ...
//   [Overwrite]    Default=yes|no|yes-to-all|no-to-all, <target file name>=...
//   [Final]        Readme=0|1, Run=0|1, Restart=0|1
//   [Volumes]      Answer=cancel|<folder>  (a missing volume's prompt)
//   [Messages]     <part of a message's text>=yes|no|ok|cancel
// Break: Start, SetupType or Custom (Cancel on that page), Process (Break
// as copying starts), a part of a step caption ("step:..."), or a file
// name ("file:name", while that file is extracted).
// docs/simulate.md describes the format with examples.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace setupkit {

enum class OverwriteAnswer { yes, no, yesToAll, noToAll };

struct Answers {
  bool acceptLicence = true;
  std::optional<std::string> setupType;             // 1251: number, name or "Custom"
  std::optional<std::vector<std::string>> components;  // 1251 names or numbers
  bool confirmCopy = true;
  std::optional<std::string> breakAt;               // 1251
  std::map<int, std::string> directories;           // Dir number -> path (1251)
  OverwriteAnswer overwriteDefault = OverwriteAnswer::yes;
  std::map<std::string, OverwriteAnswer> overwrite;  // by target name, folded (1251)
  std::map<std::string, bool> finalBoxes;           // "readme", "run", "restart"
  std::optional<std::string> volumeFolder;         // 1251; unset: the prompt is cancelled
  std::vector<std::pair<std::string, std::string>> messages;  // text part (1251) -> answer word

  std::optional<OverwriteAnswer> overwriteFor(const std::string& targetName1251) const;
};

bool ParseAnswers(const std::string& utf8, Answers& out, std::string& error);
std::string WriteAnswers(const Answers& a);

}  // namespace setupkit
