#pragma once
// The setup data model: everything the setup script says about the
// installation, plus the values that come from the running system. One
// instance lives in each installation run's context; nothing here is global.
// Field names follow the script's keys.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "startup/short_string.h"

namespace startup {

using IntegerList = std::vector<int32_t>;  // the script's integer lists

// How an existing target file is treated (the [FileGroups] InstallModeN word).
enum InstallMode : uint8_t {
  imAlways = 0,        // any other word, or none: place whatever the target
  imUpdate = 1,        // "Update"
  imFreshen = 2,       // "Freshen"
  imBDE = 3,           // "BDE"
  imAskOverwrite = 4,  // "AskOverwrite"
  imAskUpdate = 5,     // "AskUpdate"
  imAskFreshen = 6,    // "AskFreshen"
  imNew = 7,           // "New"
};

// Remembered answers of a group's overwrite question.
enum OverwriteAnswer : uint8_t { oaNoForAll = 0, oaYesForAll = 1, oaAsk = 2 };

// [Main], [AskDirs] SkipDirDialog and [SetupTypes] Custom.
struct MainSettings {
  std::string Title;
  int32_t BDE = 0;
  std::string BDEVersion;
  int32_t DiskSize = 0;  // kilobytes
  bool RunApp = false;
  std::string RunFile;  // a FileID, later the full target path
  bool NoLongNames = false;
  bool ReadmeView = false;
  std::string ReadmeFile;  // a FileID, later the full target path
  bool RestartWindows = false;
  std::string Copyright;
  int32_t Color = 0;
  std::string Licence;
  std::string LogFile;
  std::string UFile;
  std::string UKey;
  int32_t SkipDirDialog = 0;
  bool Custom = false;
};

// One [AskDirs] directory; its index is N-1 for DirN.
struct DirEntry {
  std::string Dir;
  std::string Desc;
  int32_t Macro = 0;
  bool Lock = false;
  std::string Var;
  bool Hidden = false;
  std::string Nickname;
};

struct TGroup {
  String255 Name;
  bool Required = false;
  bool AllAnswersOnly = false;
  bool SharedFiles = false;
  IntegerList Group;  // FileIDs
  uint8_t InstallMode = imAlways;
  int32_t ID = 0;
  uint8_t OverwriteAnswer = oaAsk;
  bool Selected = false;
};

struct FileItem {
  String255 ArchiveName;
  String255 TargetDir;
  String255 TargetName;
  String255 Version;
  bool UninstallLogged = false;
  bool ConfigFile = false;
  bool ReplaceAtRestart = false;
  int32_t CpuCondition = 0;
  int32_t OsCondition = 0;
  int32_t FileID = 0;
  int32_t GroupIndex = 0;
  bool Selected = false;
};

struct TSetup {
  String255 Name;
  String255 Comment;
  IntegerList Groups;  // TGroup IDs
};

struct RunLibItem {
  String255 Pack;
  int32_t MinExitCode = 0;
  int32_t MaxExitCode = 0;
  bool IsExe = false;
  String255 RunName;
};

struct RegistryItem {
  uint32_t Root = 0;  // predefined root handle value, 0 when unknown
  String255 KeyPath;
  String255 ValueName;
  String255 Data;
  ShortString<2> DataType;
};

// Windows classification.
enum OsKindValue : uint8_t { okWin32s = 0, okWin95 = 1, okWin98 = 2, okNT = 3, okOther = 4 };

// The hook library's answer for an archive member (its name as stored).
using CheckFileHook = std::function<bool(const std::string& memberName)>;

struct SetupDataModel {
  MainSettings Main;
  std::vector<DirEntry> Dirs;
  std::vector<TGroup> TGroups;
  std::vector<FileItem> FilesData;
  std::vector<TSetup> TSetups;
  std::vector<RunLibItem> TRuns;
  std::vector<RegistryItem> RegData;
  std::vector<std::string> RemoveFiles;
  std::vector<std::string> ShellLinks;
  std::vector<std::string> OCX;

  // From the running system.
  std::string SystemDir;  // with trailing backslash
  std::string WindowsDir;  // with trailing backslash
  std::string SourceDir;  // with trailing backslash
  std::string DatabaseEngineDir;
  std::string RunLibWorkDir;
  uint8_t OsKind = okNT;
  std::string ArchivePassword;
  CheckFileHook CheckFile;  // empty when there is no hook
  bool RestartNeeded = false;

  // Frees the script's tables; the system values stay.
  void ReleaseScriptTables();

  // The first FileItem whose ArchiveName (byArchiveName) or TargetName
  // equals the name part of `name` (text after the last backslash or colon),
  // compared without regard to case; nothing when none matches.
  std::optional<size_t> FindFileItem(const std::string& name, bool byArchiveName) const;
};

}  // namespace startup
