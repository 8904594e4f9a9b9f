#include "tools/setupkit/machine_dir.h"

#include <chrono>
#include <cstdio>

#include "text/codepage.h"
#include "tools/setupkit/ini_text.h"
#include "tools/setupkit/native_paths.h"

namespace setupkit {

namespace fs = std::filesystem;

namespace {

std::string to1251(const std::string& utf8) { return text::fromUtf8(text::CodePage::cp1251, utf8); }
std::string toUtf8(const std::string& s1251) { return text::toUtf8(text::CodePage::cp1251, s1251); }

constexpr uint64_t kClusterBytes = 4096;  // 8 sectors of 512 bytes
// FILETIME of 1970-01-01.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;

struct DriveTypeName {
  const char* name;
  platform::DriveType type;
};
constexpr DriveTypeName kDriveTypes[] = {
    {"fixed", platform::DriveType::fixed},   {"cdrom", platform::DriveType::cdrom},
    {"removable", platform::DriveType::removable}, {"remote", platform::DriveType::remote},
    {"ramdisk", platform::DriveType::ramdisk},
};

std::optional<uint32_t> parseNumber(const std::string& s) {
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  unsigned long long v = std::strtoull(s.c_str(), &end, 0);
  if (*end != 0 || v > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<uint32_t>(v);
}

std::optional<platform::VersionInfo> parseVersion(const std::string& s) {
  uint32_t p[4] = {0, 0, 0, 0};
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    size_t dot = s.find('.', at);
    std::string part = s.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
    auto n = parseNumber(part);
    if (!n || *n > 0xFFFF) return std::nullopt;
    p[i] = *n;
    if (dot == std::string::npos) {
      if (i == 0) return std::nullopt;
      break;
    }
    at = dot + 1;
  }
  platform::VersionInfo v;
  v.present = true;
  v.fixedMs = p[0] << 16 | p[1];
  v.fixedLs = p[2] << 16 | p[3];
  v.fileVersion = s;
  return v;
}

std::string bytesText(uint64_t b) {
  const char* units[] = {"", "k", "M", "G", "T"};
  int u = 0;
  while (u < 4 && b >= 1024 && b % 1024 == 0) {
    b /= 1024;
    ++u;
  }
  return std::to_string(b) + units[u];
}

}  // namespace

std::optional<uint64_t> ParseBytes(const std::string& t) {
  if (t.empty()) return std::nullopt;
  size_t i = 0;
  uint64_t v = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    if (v > (UINT64_MAX - 9) / 10) return std::nullopt;
    v = v * 10 + uint64_t(t[i] - '0');
  }
  if (i == 0) return std::nullopt;
  uint64_t mul = 1;
  if (i < t.size()) {
    char c = char(t[i] | 0x20);
    mul = c == 'k' ? 1ull << 10 : c == 'm' ? 1ull << 20 : c == 'g' ? 1ull << 30 : c == 't' ? 1ull << 40 : 0;
    if (mul == 0 || i + 1 != t.size()) return std::nullopt;
  }
  if (v > UINT64_MAX / mul) return std::nullopt;
  return v * mul;
}

bool ParseMachineIni(const std::string& utf8, MachineDescription& m, std::string& error) {
  std::vector<IniEntry> entries;
  if (!ParseIni(utf8, entries, error)) return false;
  for (const auto& e : entries) {
    auto bad = [&](const std::string& why) {
      error = "line " + std::to_string(e.line) + ": [" + e.section + "] " + e.key + ": " + why;
      return false;
    };
    const std::string& s = e.section;
    if (IniNameIs(s, "Windows")) {
      if (IniNameIs(e.key, "Platform")) {
        if (IniNameIs(e.value, "NT")) m.os.platformId = 2;
        else if (IniNameIs(e.value, "9x")) m.os.platformId = 1;
        else if (IniNameIs(e.value, "Win32s")) m.os.platformId = 0;
        else return bad("expected NT, 9x or Win32s");
      } else if (IniNameIs(e.key, "Version")) {
        unsigned a = 0, b = 0, c = 0;
        int n = std::sscanf(e.value.c_str(), "%u.%u.%u", &a, &b, &c);
        if (n < 2) return bad("expected major.minor[.build], e.g. 6.1.7601");
        m.os.major = a;
        m.os.minor = b;
        m.os.build = n == 3 ? c : 0;
      } else if (IniNameIs(e.key, "ServicePack")) {
        m.os.servicePack = to1251(e.value);
      } else {
        return bad("unknown key (Platform, Version, ServicePack)");
      }
    } else if (IniNameIs(s, "Processor")) {
      auto n = parseNumber(e.value);
      if (!n) return bad("expected a number");
      if (IniNameIs(e.key, "Architecture")) m.processor.architecture = uint16_t(*n);
      else if (IniNameIs(e.key, "Type")) m.processor.processorType = *n;
      else if (IniNameIs(e.key, "Level")) m.processor.level = uint16_t(*n);
      else if (IniNameIs(e.key, "Revision")) m.processor.revision = uint16_t(*n);
      else if (IniNameIs(e.key, "Count")) m.processor.count = *n;
      else return bad("unknown key (Architecture, Type, Level, Revision, Count)");
    } else if (IniNameIs(s, "Drives")) {
      if (e.key.size() != 1 || !std::isalpha(static_cast<unsigned char>(e.key[0]))) return bad("expected a drive letter");
      DriveDescription d;
      uint64_t total = 0, freeBytes = 0;
      bool haveFree = false;
      size_t at = 0;
      int field = 0;
      while (at <= e.value.size()) {
        size_t comma = e.value.find(',', at);
        std::string part = e.value.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        at = comma == std::string::npos ? e.value.size() + 1 : comma + 1;
        while (!part.empty() && part.front() == ' ') part.erase(0, 1);
        while (!part.empty() && part.back() == ' ') part.pop_back();
        if (field++ == 0) {
          bool found = false;
          for (const auto& t : kDriveTypes)
            if (IniNameIs(part, t.name)) d.type = t.type, found = true;
          if (!found) return bad("the first field is the drive type: fixed, cdrom, removable, remote or ramdisk");
          continue;
        }
        size_t eq = part.find('=');
        auto bytes = eq == std::string::npos ? std::nullopt : ParseBytes(part.substr(eq + 1));
        if (!bytes) return bad("expected free=SIZE or total=SIZE (suffix k, M, G, T)");
        if (IniNameIs(part.substr(0, eq), "free")) freeBytes = *bytes, haveFree = true;
        else if (IniNameIs(part.substr(0, eq), "total")) total = *bytes;
        else return bad("expected free=SIZE or total=SIZE");
      }
      if (haveFree || total) {
        if (!total) total = std::max<uint64_t>(freeBytes, 1) * 2;
        if (!haveFree) freeBytes = total / 2;
        if (freeBytes > total) return bad("free is larger than total");
        d.space.sectorsPerCluster = 8;
        d.space.bytesPerSector = 512;
        d.space.freeClusters = uint32_t(std::min<uint64_t>(freeBytes / kClusterBytes, 0xFFFFFFFFu));
        d.space.totalClusters = uint32_t(std::min<uint64_t>(total / kClusterBytes, 0xFFFFFFFFu));
      } else if (d.type == platform::DriveType::cdrom) {
        d.space = platform::DiskFreeSpace{1, 2048, 0, 0x00050000};
      }
      m.drives[char(std::toupper(static_cast<unsigned char>(e.key[0])))] = d;
    } else if (IniNameIs(s, "FilesInUse")) {
      if (e.value != "0") m.filesInUse.push_back(to1251(e.key));
    } else if (IniNameIs(s, "Versions")) {
      if (!parseVersion(e.value)) return bad("expected a version a.b[.c[.d]]");
      m.versions[to1251(e.key)] = e.value;
    } else if (IniNameIs(s, "Hook")) {
      if (e.value != "0" && e.value != "1") return bad("expected 1 (place the file) or 0 (skip it)");
      if (IniNameIs(e.key, "Default")) m.hookDefault = e.value == "1";
      else m.hookAnswers[to1251(e.key)] = e.value == "1";
      if (!m.hookDefault) m.hookDefault = true;
    } else if (IniNameIs(s, "RunLib")) {
      auto n = parseNumber(e.value);
      if (!n) return bad("expected a number (exit code, Install result or ShouldBe result)");
      m.runResults[to1251(e.key)] = *n;
    } else {
      return bad("unknown section (Windows, Processor, Drives, FilesInUse, Versions, Hook, RunLib)");
    }
  }
  return true;
}

std::string WriteMachineIni(const MachineDescription& m) {
  std::string o = "; setupkit simulate: the machine besides its files and registry\r\n[Windows]\r\n";
  o += std::string("Platform=") + (m.os.platformId == 2 ? "NT" : m.os.platformId == 1 ? "9x" : "Win32s") + "\r\n";
  o += "Version=" + std::to_string(m.os.major) + "." + std::to_string(m.os.minor) + "." + std::to_string(m.os.build) + "\r\n";
  if (!m.os.servicePack.empty()) o += "ServicePack=" + toUtf8(m.os.servicePack) + "\r\n";
  o += "\r\n[Processor]\r\nArchitecture=" + std::to_string(m.processor.architecture) +
       "\r\nType=" + std::to_string(m.processor.processorType) + "\r\nLevel=" + std::to_string(m.processor.level) +
       "\r\nRevision=" + std::to_string(m.processor.revision) + "\r\nCount=" + std::to_string(m.processor.count) + "\r\n";
  if (!m.drives.empty()) {
    o += "\r\n[Drives]\r\n";
    for (const auto& [letter, d] : m.drives) {
      const char* type = "fixed";
      for (const auto& t : kDriveTypes)
        if (t.type == d.type) type = t.name;
      o += std::string(1, letter) + "=" + type;
      if (d.space.totalClusters) {
        uint64_t cluster = uint64_t(d.space.sectorsPerCluster) * d.space.bytesPerSector;
        o += ",free=" + bytesText(uint64_t(d.space.freeClusters) * cluster) +
             ",total=" + bytesText(uint64_t(d.space.totalClusters) * cluster);
      }
      o += "\r\n";
    }
  }
  if (!m.filesInUse.empty()) {
    o += "\r\n[FilesInUse]\r\n";
    for (const auto& f : m.filesInUse) o += toUtf8(f) + "=1\r\n";
  }
  if (!m.versions.empty()) {
    o += "\r\n[Versions]\r\n";
    for (const auto& [p, v] : m.versions) o += toUtf8(p) + "=" + v + "\r\n";
  }
  if (m.hookDefault) {
    o += "\r\n[Hook]\r\nDefault=" + std::string(*m.hookDefault ? "1" : "0") + "\r\n";
    for (const auto& [k, v] : m.hookAnswers) o += toUtf8(k) + "=" + (v ? "1" : "0") + "\r\n";
  }
  if (!m.runResults.empty()) {
    o += "\r\n[RunLib]\r\n";
    for (const auto& [k, v] : m.runResults) o += toUtf8(k) + "=" + std::to_string(v) + "\r\n";
  }
  return o;
}

bool ApplyDescription(const MachineDescription& d, platform::sim::Machine& machine, std::string& error) {
  machine.systemState().setOsVersion(d.os);
  machine.systemState().setProcessor(d.processor);
  for (const auto& [letter, drive] : d.drives) machine.addDrive(letter, drive.type, drive.space);
  for (const auto& [path, version] : d.versions) {
    auto v = parseVersion(version);
    if (auto s = machine.setVersion(path, *v); !s.ok()) {
      error = "[Versions] " + toUtf8(path) + ": " + s.toString();
      return false;
    }
  }
  for (const auto& path : d.filesInUse) {
    if (auto s = machine.lock(path); !s.ok()) {
      error = "[FilesInUse] " + toUtf8(path) + ": " + s.toString();
      return false;
    }
  }
  return true;
}

bool LoadMachineDir(const fs::path& dir, platform::sim::Machine& machine, MachineDescription& desc, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    error = fromPath(dir) + ": not a folder";
    return false;
  }
  const fs::path driveC = dir / "drive_c";
  if (fs::is_directory(driveC, ec)) {
    for (auto it = fs::recursive_directory_iterator(driveC, ec); it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (ec) break;
      std::string rel = fromPath(it->path().lexically_relative(driveC));
      std::string winPath = "C:\\" + to1251(rel);
      for (char& c : winPath)
        if (c == '/') c = '\\';
      if (it->is_directory(ec)) {
        if (auto s = machine.addDirectory(winPath); !s.ok()) {
          error = fromPath(it->path()) + ": " + s.toString();
          return false;
        }
      } else if (it->is_regular_file(ec)) {
        auto data = readHostFile(it->path());
        if (!data) {
          error = fromPath(it->path()) + ": cannot be read";
          return false;
        }
        if (auto s = machine.addFile(winPath, *data); !s.ok()) {
          error = fromPath(it->path()) + ": " + s.toString();
          return false;
        }
        auto mtime = fs::last_write_time(it->path(), ec);
        if (!ec) {
          auto secs = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::file_clock::to_sys(mtime).time_since_epoch())
                          .count();
          if (secs > 0) (void)machine.files().setWriteTime(winPath, kUnixEpochFileTime + uint64_t(secs) * 10000000ull);
        }
      }
    }
    if (ec) {
      error = fromPath(driveC) + ": " + ec.message();
      return false;
    }
  }
  if (auto reg = readHostFile(dir / "registry.reg")) {
    std::string why;
    auto file = reg::Parse(*reg, why);
    if (!file) {
      error = fromPath(dir / "registry.reg") + ": " + why;
      return false;
    }
    desc.registryEncoding = file->encoding;
    if (!reg::Apply(*file, machine.registry(), why)) {
      error = fromPath(dir / "registry.reg") + ": " + why;
      return false;
    }
  }
  if (auto ini = readHostFile(dir / "machine.ini")) {
    std::string why;
    if (!ParseMachineIni(*ini, desc, why)) {
      error = fromPath(dir / "machine.ini") + ": " + why;
      return false;
    }
  }
  if (!ApplyDescription(desc, machine, error)) {
    error = fromPath(dir / "machine.ini") + ": " + error;
    return false;
  }
  return true;
}

namespace {

void collect(platform::FileSystem& fs, const std::string& dir, std::map<std::string, std::string>* files,
             std::vector<std::string>* dirs) {
  auto list = fs.list(dir, "*");
  if (!list.ok()) return;
  for (const auto& e : list.value()) {
    if (e.name == "." || e.name == "..") continue;
    std::string path = dir + e.name;
    if (e.info.isDirectory()) {
      if (dirs) dirs->push_back(path);
      collect(fs, path + "\\", files, dirs);
    } else if (files) {
      auto data = platform::readWholeFile(fs, path, uint64_t(1) << 40);
      (*files)[path] = data.ok() ? data.value() : std::string();
    }
  }
}

}  // namespace

std::map<std::string, std::string> DriveFiles(platform::sim::Machine& machine, char drive) {
  std::map<std::string, std::string> files;
  collect(machine.files(), std::string(1, drive) + ":\\", &files, nullptr);
  return files;
}

bool SaveMachineDir(const fs::path& dir, platform::sim::Machine& machine, const MachineDescription& desc, std::string& error) {
  std::error_code ec;
  const fs::path driveC = dir / "drive_c";
  fs::create_directories(driveC, ec);
  if (ec) {
    error = fromPath(driveC) + ": " + ec.message();
    return false;
  }
  std::map<std::string, std::string> files;
  std::vector<std::string> dirs;
  collect(machine.files(), "C:\\", &files, &dirs);
  auto hostPath = [&](const std::string& winPath) {
    std::string rel = toUtf8(winPath.substr(3));
    for (char& c : rel)
      if (c == '\\') c = '/';
    return driveC / toPath(rel);
  };
  for (const auto& d : dirs) fs::create_directories(hostPath(d), ec);
  for (const auto& [path, data] : files) {
    if (!writeHostFile(hostPath(path), data, error)) return false;
    auto info = machine.files().stat(path);
    if (info.ok() && info.value().writeTime > kUnixEpochFileTime) {
      auto secs = std::chrono::seconds((info.value().writeTime - kUnixEpochFileTime) / 10000000ull);
      fs::last_write_time(hostPath(path), std::chrono::file_clock::from_sys(std::chrono::sys_seconds(secs)), ec);
    }
  }
  reg::File reg = reg::Export(machine.registry());
  if (!writeHostFile(dir / "registry.reg", reg::Write(reg, desc.registryEncoding), error)) return false;
  // Versions of files on C: (placed ones included) travel in machine.ini.
  MachineDescription after = desc;
  after.os = machine.system().osVersion();
  after.processor = machine.system().processor();
  after.versions.clear();
  for (const auto& [path, data] : files) {
    auto v = machine.files().versionInfo(path);
    if (v.ok() && v.value().present) after.versions[path] = v.value().text();
  }
  return writeHostFile(dir / "machine.ini", WriteMachineIni(after), error);
}

}  // namespace setupkit
