#include "platform/files.h"

#include <string>

namespace platform {

bool FileSystem::exists(const std::string& path) { return stat(path).ok(); }

bool FileSystem::fileExists(const std::string& path) {
  auto info = stat(path);
  return info.ok() && !info->isDirectory();
}

bool FileSystem::directoryExists(const std::string& path) {
  auto info = stat(path);
  return info.ok() && info->isDirectory();
}

Result<std::string> readWholeFile(FileSystem& fs, const std::string& path, uint64_t limit) {
  auto file = fs.open(path, OpenMode::read);
  if (!file) return file.status();
  auto size = (*file)->size();
  if (!size) return size.status();
  if (*size > limit) return Status(Code::invalidArgument, 0, "file too large: " + path);
  std::string data(static_cast<size_t>(*size), '\0');
  size_t done = 0;
  while (done < data.size()) {
    auto got = (*file)->read(data.data() + done, data.size() - done);
    if (!got) return got.status();
    if (*got == 0) break;  // shrank while reading
    done += *got;
  }
  data.resize(done);
  Status closed = (*file)->close();
  if (!closed) return closed;
  return data;
}

Status writeWholeFile(FileSystem& fs, const std::string& path, const std::string& data) {
  auto file = fs.open(path, OpenMode::createAlways);
  if (!file) return file.status();
  Status written = (*file)->write(data.data(), data.size());
  Status closed = (*file)->close();
  if (!written) return written;
  return closed;
}

namespace {

constexpr FileTime ticksPerSecond = 10'000'000;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t daysFrom1601To1970 = 134774;

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's
// civil-date algorithm).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct Civil {
  int64_t year;
  unsigned month;
  unsigned day;
};

Civil civilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2), m, d};
}

}  // namespace

FileTime dosToFileTime(DosDateTime dos) {
  const unsigned date = dos >> 16;
  const unsigned time = dos & 0xFFFF;
  const unsigned year = 1980 + (date >> 9);
  const unsigned month = (date >> 5) & 0x0F;
  const unsigned day = date & 0x1F;
  const unsigned hour = time >> 11;
  const unsigned minute = (time >> 5) & 0x3F;
  const unsigned second = (time & 0x1F) * 2;
  // Out-of-range fields are carried over rather than rejected; a zero month
  // or day counts as the first.
  const int64_t days = daysFromCivil(year, month == 0 ? 1 : (month > 12 ? 12 : month), day == 0 ? 1 : day);
  const int64_t seconds = (days + daysFrom1601To1970) * 86400 + hour * 3600 + minute * 60 + second;
  return static_cast<FileTime>(seconds) * ticksPerSecond;
}

DosDateTime fileTimeToDos(FileTime time) {
  const int64_t seconds = static_cast<int64_t>(time / ticksPerSecond);
  const int64_t days = seconds / 86400 - daysFrom1601To1970;
  const int64_t secondOfDay = seconds % 86400;
  Civil c = civilFromDays(days);
  // DOS dates cover 1980 to 2107; outside that range the nearest end.
  if (c.year < 1980) return (1u << 5 | 1u) << 16;
  if (c.year > 2107) return ((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);
  const unsigned date = static_cast<unsigned>(c.year - 1980) << 9 | c.month << 5 | c.day;
  const unsigned timePart = static_cast<unsigned>(secondOfDay / 3600) << 11 |
                            static_cast<unsigned>(secondOfDay / 60 % 60) << 5 |
                            static_cast<unsigned>(secondOfDay % 60 / 2);
  return date << 16 | timePart;
}

std::string VersionInfo::text() const {
  if (!present) return {};
  if (!fileVersion.empty()) return fileVersion;
  return std::to_string(fixedMs >> 16) + "." + std::to_string(fixedMs & 0xFFFF) + "." +
         std::to_string(fixedLs >> 16) + "." + std::to_string(fixedLs & 0xFFFF);
}

}  // namespace platform
