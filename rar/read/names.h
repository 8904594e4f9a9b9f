#pragma once
// Member names: decoding the stored forms into Unicode (UTF-8).

#include <cstdint>
#include <string>

#include "rar/read/member.h"

namespace rar {

// RAR 1.5-4.x name field. With the unicode flag the field is the OEM name,
// a NUL and the compressed UTF-16 form (or, without the NUL, UTF-8).
// Without it the name is OEM text (code page 866), or UTF-8 from a Unix host
// when it is valid UTF-8. `oemPart` receives the bytes before the NUL.
std::string decodeName15(const std::string& field, bool unicodeFlag, HostOs host, std::string& oemPart);

// The RAR 2.9 compressed unicode encoding; the result has at most as many
// characters as the OEM name (and never reads outside either input).
std::u16string decodeCompressedUnicode(const std::string& oem, const uint8_t* enc, size_t encSize);

bool isValidUtf8(const std::string& s);

// Separators: RAR 1.5-4.x names use '\' (and '/' from some Unix builds);
// RAR 5 names use '/' and a backslash there is an ordinary character that
// becomes '_'.
std::string normalizeSeparators15(std::string name);
std::string normalizeSeparators50(std::string name);

}  // namespace rar
