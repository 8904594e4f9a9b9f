#pragma once
// How many lines a word-wrapped label needs: words (separated by spaces)
// fill each line as far as its width allows; a word wider than the line
// takes a line of its own.

#include <string_view>

#include "wizard/file_name_fitting.h"

namespace wizard {

inline int WrappedLineCount(std::string_view text, int width, const TextMeasure& measure) {
  if (text.empty()) return 0;
  int lines = 1;
  std::string_view line;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    const std::size_t space = text.find(' ', pos);
    const std::size_t end = space == std::string_view::npos ? text.size() : space;
    if (line.empty()) {
      line = text.substr(pos, end - pos);
    } else {
      // The line so far, extended up to the end of this word.
      const std::size_t start = static_cast<std::size_t>(line.data() - text.data());
      const std::string_view longer = text.substr(start, end - start);
      if (measure(longer) <= width) {
        line = longer;
      } else {
        ++lines;
        line = text.substr(pos, end - pos);
      }
    }
    if (space == std::string_view::npos) break;
    pos = space + 1;
  }
  return lines;
}

}  // namespace wizard
