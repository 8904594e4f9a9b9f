#include "wizard/file_name_fitting.h"

#include <vector>

namespace wizard {

namespace {

constexpr std::string_view kEllipsis = "...";
constexpr std::string_view kEllipsisDir = "...\\";

// drive + "\...\" + as much of the name as fits + "...".
std::string CutName(const std::string& drive, std::string name, int width, const TextMeasure& measure) {
  const std::string prefix = drive + "\\...\\";
  while (!name.empty() && measure(prefix + name + std::string(kEllipsis)) > width) name.pop_back();
  return prefix + name + std::string(kEllipsis);
}

// Where each backslash-separated, non-empty part of `dir` starts, with its
// length.
struct Part {
  std::size_t start;
  std::size_t length;
};

std::vector<Part> PartsOf(const std::string& dir) {
  std::vector<Part> parts;
  std::size_t i = 0;
  while (i < dir.size()) {
    const std::size_t end = dir.find('\\', i);
    const std::size_t stop = end == std::string::npos ? dir.size() : end;
    if (stop > i) parts.push_back({i, stop - i});
    i = stop + 1;
  }
  return parts;
}

}  // namespace

std::string FitFileName(std::string_view fullName, int width, const TextMeasure& measure) {
  const std::string s(fullName);
  if (measure(s) <= width) return s;

  const std::size_t split = s.find_last_of("\\:");
  const std::string path = split == std::string::npos ? std::string() : s.substr(0, split + 1);
  const std::string name = split == std::string::npos ? s : s.substr(split + 1);

  const std::size_t colon = path.find(':');
  const std::string drive = (colon == std::string::npos ? path : path.substr(0, colon)) + ":";
  std::string dir;
  if (colon != std::string::npos) {
    const std::size_t further = path.find(':', colon + 1);
    dir = path.substr(colon + 1, further == std::string::npos ? std::string::npos : further - colon - 1);
  }

  const int driveAndName = measure(drive + name);
  if (driveAndName > width) return CutName(drive, name, width, measure);

  while (measure(dir) > width - driveAndName) {
    // The last part that has not been replaced yet gives way; everything
    // after it becomes one "...\". Each round replaces one more part, so the
    // loop ends.
    const std::vector<Part> parts = PartsOf(dir);
    const Part* last = nullptr;
    for (const Part& p : parts) {
      if (std::string_view(dir).substr(p.start, p.length) != kEllipsis) last = &p;
    }
    if (parts.size() < 2 || last == nullptr) return CutName(drive, name, width, measure);
    dir = dir.substr(0, last->start) + std::string(kEllipsisDir);
  }
  return drive + dir + name;
}

}  // namespace wizard
