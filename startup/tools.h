#pragma once
// Small text and path helpers shared by the whole engine.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "startup/model.h"

namespace startup {

// Empty, or only spaces and tabs.
bool IsBlank(std::string_view s);

// "" stays ""; "C" becomes "C:\"; a text ending in ':' or '\' stays; any
// other text gets a trailing backslash.
std::string NormalizeDir(std::string_view dir);

// Field k (1-based) of a text split at `separator`: the k-th run of
// characters without the separator (runs of separators count as one, leading
// and trailing ones are ignored); empty when there is no such field.
std::string Field(std::string_view s, char separator, size_t k);
size_t FieldCount(std::string_view s, char separator);
inline std::string CommaField(std::string_view s, size_t k) { return Field(s, ',', k); }

// An integer as the script writes it: decimal with an optional sign, or
// hexadecimal after "$" or "0x"; surrounding spaces and tabs are allowed.
// Nothing when the text is not such a number or does not fit 32 bits.
std::optional<int32_t> ParseScriptInteger(std::string_view s);

// One element per comma field; nothing when a field is not an integer.
std::optional<IntegerList> ParseIntegerList(std::string_view s);
bool IntegerListContains(int32_t value, const IntegerList& list);
int IntegerListIndexOf(int32_t value, const IntegerList& list);

// Compares four-part versions ("1.2.3.4", points as separators, missing or
// non-numeric parts 0): below 0 when a is older, 0 when equal, above 0 when
// a is newer.
int CompareVersions(std::string_view a, std::string_view b);

// Inserts `filler` after every separator that is followed by another
// separator or ends the text, so empty fields survive field splitting.
std::string FillEmptyFields(std::string_view s, char separator, std::string_view filler);

// The Windows classification from the version information.
uint8_t GetOsKind(platform::System& system);

// A new, empty, uniquely named file with the prefix "Ins" in the directory
// of `targetPath`; its full name.
platform::Result<std::string> TempFileBeside(platform::FileSystem& files, const std::string& targetPath);

}  // namespace startup
