#pragma once
// Paths that Windows hands out (the temporary directory, the program's own
// path, the Windows and special folders) in the engine's code page 1251.
//
// A user's profile or a folder may be named in letters that 1251 lacks
// (José, a Greek name). Such a path is given in its short (8.3) form, which
// Windows keeps in ASCII. Where even that has such letters (short names
// switched off on the volume), the letters become '?': a character no
// Windows path can hold, so the engine can tell such a path and stop with a
// message instead of failing later on a name that does not exist.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Does every character of the UTF-16 text have a 1251 form?
bool FitsCodePage1251(std::u16string_view path);

// The path in 1251: as it is when it fits; else its short form (from
// `shortForm`, nothing when there is none) when that fits; else the path
// with '?' for the letters that do not fit.
std::string SystemPathIn1251(std::u16string_view path,
                             const std::function<std::optional<std::u16string>(std::u16string_view)>& shortForm);

// Does a 1251 path carry the '?' of a letter that did not fit? (A "\\?\"
// prefix is not such a letter.)
bool HoldsUnrepresentableLetters(std::string_view path);

}  // namespace platform
