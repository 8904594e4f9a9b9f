#pragma once
// The line kinds of the uninstall log. The engine writes them as the run
// makes its changes; the uninstaller reads the same kinds back, so both
// take them from here.

namespace startup::log {

inline constexpr const char kHeader[] = "Uninstall information storage. Version 2.";

inline constexpr const char kDir[] = "Dir=";
inline constexpr const char kFile[] = "File=";
inline constexpr const char kRegSharedIncrement[] = "RegSharedIncrement=";
inline constexpr const char kRegOpenKey[] = "RegOpenKey=";
inline constexpr const char kRegCreateKey[] = "RegCreateKey=";
inline constexpr const char kRegOldValue[] = "RegOldValue=";
inline constexpr const char kRegWriteValue[] = "RegWriteValue=";
inline constexpr const char kUseBde[] = "UseBDE";
inline constexpr const char kRegEntry[] = "RegEntry=";
inline constexpr const char kShellFolder[] = "ShellFolder=";
inline constexpr const char kShellLink[] = "ShellLink=";
inline constexpr const char kOcx[] = "OCX=";
inline constexpr const char kTlb[] = "TLB=";
inline constexpr const char kOcxError[] = "Error (OCX=";
inline constexpr const char kTlbError[] = "Error (TLB=";
inline constexpr const char kErrorCode[] = "), code ";

// Root key handles as the "RegOpenKey=" and "RegCreateKey=" lines write them.
inline constexpr unsigned long kClassesRoot = 2147483648UL;
inline constexpr unsigned long kCurrentUser = 2147483649UL;
inline constexpr unsigned long kLocalMachine = 2147483650UL;
inline constexpr unsigned long kUsers = 2147483651UL;

}  // namespace startup::log
