#pragma once
// What the reader reports about an archive and its members.

#include <array>
#include <cstdint>
#include <string>

#include "rar/checksum/blake2sp.h"

namespace rar {

enum class Format { rar14, rar15, rar50 };

enum class HostOs { msdos, os2, windows, unix, macos, beos, unknown };

enum class Cipher { none, rar13, rar15, rar20, aes128, aes256 };

// Links are reported, never followed or created. A file copy is extracted
// as a copy of the earlier member's data.
enum class LinkKind { none, unixSymlink, windowsSymlink, junction, hardLink, fileCopy };

struct ArchiveInfo {
  Format format = Format::rar15;
  bool volume = false;          // part of a multi-volume set
  bool solid = false;
  bool locked = false;
  bool headersEncrypted = false;
  bool hasRecoveryRecord = false;
  bool hasComment = false;
  bool authenticity = false;
  bool newNaming = false;       // .partN.rar volume names
  uint64_t sfxSize = 0;         // bytes before the signature
};

struct MemberInfo {
  std::string storedName;  // the name's bytes as stored (OEM part for RAR 1.5-4 unicode names)
  std::string name;        // Unicode (UTF-8), '/' separators
  bool isDirectory = false;
  bool encrypted = false;
  bool solid = false;       // continues the solid stream of the previous member
  bool splitBefore = false; // starts in an earlier volume (a set opened in the middle)
  bool splitAfter = false;  // continues in the next volume
  uint64_t packedSize = 0;  // packed bytes in the first part
  uint64_t unpackedSize = 0;
  bool sizeKnown = true;
  uint32_t attributes = 0;
  HostOs hostOs = HostOs::unknown;
  Format format = Format::rar15;
  uint8_t method = 0;        // 0 stored .. 5 best
  uint8_t unpackVersion = 0; // 13, 15, 20, 26, 29, 36, 50 (RAR 5: 50 + algorithm version)
  uint64_t dictionarySize = 0;
  Cipher cipher = Cipher::none;
  uint32_t dosTime = 0;      // DOS date and time (RAR 5: derived from the UTC time)
  int64_t mtime = 0;         // seconds since 1970; local time for RAR 1.x-4.x, UTC for RAR 5
  uint32_t mtimeNanos = 0;
  bool hasMtime = false;
  LinkKind link = LinkKind::none;
  std::string linkTarget;    // UTF-8 as stored
  bool hasCrc = false;
  uint32_t crc = 0;          // declared CRC-32 (RAR 1.4: 16-bit checksum) of the last part
  bool hasBlake2 = false;
  Blake2Digest blake2{};
  uint64_t fileVersion = 0;  // RAR 5 version record (names get ";n")
  bool headerDamaged = false; // header checksum mismatch: listed, never extracted
};

}  // namespace rar
