#pragma once
// Shortening a full file name to a label's width: directories in the middle
// give way to "...\" first, then the name itself is cut.

#include <functional>
#include <string>
#include <string_view>

namespace wizard {

// Pixel width of a text in the label's font.
using TextMeasure = std::function<int(std::string_view text)>;

// The text shown for `fullName` in a label `width` pixels wide:
// - the whole name when it fits;
// - otherwise drive + dir + name, with the last directories of dir replaced
//   one by one by "...\" until it fits
//   (C:\A\B\C\f.dll -> C:\A\B\...\f.dll -> C:\A\...\f.dll);
// - when that is not enough, or drive and name alone are too wide,
//   drive + "\...\" + the name cut short + "...".
// The drive is the text before the first colon plus ":" (the whole directory
// part plus ":" when there is no colon, so a bare name gets ":" alone).
std::string FitFileName(std::string_view fullName, int width, const TextMeasure& measure);

}  // namespace wizard
