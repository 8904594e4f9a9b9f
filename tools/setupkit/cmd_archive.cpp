// The archive commands: list, test, extract and pack RAR archives.

#include <cinttypes>
#include <cstdio>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "rar/extract/extract_all.h"
#include "rar/io/native_fs.h"
#include "rar/read/archive.h"
#include "rar/write/writer.h"
#include "text/codepage.h"
#include "rar/io/volume_names.h"
#include "tools/setupkit/commands.h"
#include "tools/setupkit/console.h"
#include "tools/setupkit/native_paths.h"

namespace setupkit {
namespace {

namespace fs = std::filesystem;

struct Options {
  std::vector<std::string> positional;
  bool hasPassword = false;
  std::string password;
  bool encryptHeaders = false;
  uint64_t volumeSize = 0;
  bool oldNaming = false;
  bool hasMaxOutput = false;
  uint64_t maxOutput = 0;  // with hasMaxOutput: 0 is no limit
  std::string error;
};

// The command line parser has checked the options and the number of
// arguments; the commands read them in this form.
Options parse(const Args& args, bool packFlags) {
  Options o;
  o.positional = args.positional;
  o.hasPassword = args.password.has_value();
  if (o.hasPassword) o.password = *args.password;
  if (packFlags) {
    o.encryptHeaders = args.encryptHeaders;
    o.volumeSize = args.volumeSize;
    o.oldNaming = args.oldNaming;
  } else {
    o.hasMaxOutput = args.hasMaxOutput;
    o.maxOutput = args.maxOutput;
  }
  return o;
}

int usage(const char* command, const std::string& why) {
  std::fprintf(stderr, "setupkit %s: %s\n", command, why.c_str());
  return 2;
}

// What a run of a reading command learns beside the statuses: the volume
// it found missing (the callback declines, so the reader says "aborted").
struct ReadState {
  std::string missingVolume;
};

// Sizes of the archive and the volumes that follow it by name: the input an
// extraction's output is measured against.
uint64_t inputBytes(const std::string& path) {
  std::error_code ec;
  uint64_t first = fs::file_size(toPath(path), ec);
  if (ec) return 0;
  uint64_t best = first;
  for (auto naming : {rar::VolumeNaming::newStyle, rar::VolumeNaming::oldStyle}) {
    uint64_t total = first;
    std::string p = path;
    for (int i = 0; i < 10000; ++i) {
      p = rar::nextVolumeName(p, naming);
      if (p.empty()) break;
      uint64_t n = fs::file_size(toPath(p), ec);
      if (ec) break;
      total += n;
    }
    best = std::max(best, total);
  }
  return best;
}

// The default output limit: this many times the input, and never less than
// the floor (small archives of very compressible data are normal).
constexpr uint64_t kDefaultOutputRatio = 200;
constexpr uint64_t kDefaultOutputFloor = uint64_t(256) << 20;

// A missing volume ends the command with a clear message; the engine asks
// the user instead.
rar::ArchiveOptions readerOptions(const Options& o, const std::string& path, ReadState& state) {
  rar::ArchiveOptions ro;
  if (o.hasPassword) ro.password = rar::Password::fromUtf8(o.password);
  ro.onVolume = [&state](rar::VolumeEvent e, std::string& volume) {
    if (e == rar::VolumeEvent::missing) {
      state.missingVolume = volume;
      return false;
    }
    return true;
  };
  if (o.hasMaxOutput) {
    ro.maxOutput = o.maxOutput;
  } else {
    uint64_t in = inputBytes(path);
    ro.maxOutput = in > UINT64_MAX / kDefaultOutputRatio ? 0 : std::max(kDefaultOutputFloor, in * kDefaultOutputRatio);
  }
  return ro;
}

std::string describe(const rar::Status& s, const ReadState& state) {
  if (s.error() == rar::Error::aborted && !state.missingVolume.empty()) return "missing volume " + state.missingVolume;
  if (s.error() == rar::Error::outputLimit) return s.toString() + " (see --max-output)";
  return s.toString();
}

// "member: reason", without naming the member twice when the reason
// already starts with its name.
std::string aboutMember(const std::string& member, const std::string& reason) {
  if (member.empty()) return reason;
  if (reason.find(member + ":") != std::string::npos) return reason;
  return member + ": " + reason;
}

void report(const std::string& path, const std::string& what) { printLine(stderr, "setupkit: " + path + ": " + what); }

std::string timeText(const rar::MemberInfo& m) {
  if (!m.hasMtime) return "                ";
  uint32_t d = m.dosTime;
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%04u-%02u-%02u %02u:%02u", (d >> 25) + 1980, (d >> 21) & 15, (d >> 16) & 31,
                (d >> 11) & 31, (d >> 5) & 63);
  return buf;
}

const char* linkText(rar::LinkKind k) {
  switch (k) {
    case rar::LinkKind::none: return "";
    case rar::LinkKind::unixSymlink: return " -> (symbolic link, not followed)";
    case rar::LinkKind::windowsSymlink: return " -> (Windows symbolic link, not followed)";
    case rar::LinkKind::junction: return " -> (junction, not followed)";
    case rar::LinkKind::hardLink: return " -> (hard link)";
    case rar::LinkKind::fileCopy: return " -> (copy of an earlier member)";
  }
  return "";
}

// Shows progress of long members on stderr.
class Progress {
 public:
  // Drawn only on a terminal: piped into a file or a program, the percent
  // steps would be noise.
  explicit Progress(const rar::MemberInfo& m)
      : total_(m.unpackedSize), show_(m.unpackedSize >= (8u << 20) && isTerminal(stderr)) {}
  bool operator()(const uint8_t*, size_t size) {
    done_ += size;
    if (show_ && total_ > 0) {
      unsigned pct = unsigned(done_ * 100 / total_);
      if (pct != last_) {
        std::fprintf(stderr, "\r  %3u%%", pct);
        last_ = pct;
      }
    }
    return true;
  }
  void finish() {
    if (show_) std::fprintf(stderr, "\r      \r");
  }

 private:
  uint64_t total_;
  uint64_t done_ = 0;
  bool show_;
  unsigned last_ = 101;
};

}  // namespace

bool parseSize(const std::string& s, uint64_t& out) {
  if (s.empty()) return false;
  uint64_t v = 0;
  size_t i = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v > (UINT64_MAX - 9) / 10) return false;
    v = v * 10 + uint64_t(s[i] - '0');
  }
  uint64_t mul = 1;
  if (i < s.size()) {
    char c = char(s[i] | 0x20);
    mul = c == 'k' ? 1024 : c == 'm' ? 1024 * 1024 : c == 'g' ? uint64_t(1) << 30 : 0;
    if (mul == 0 || i + 1 != s.size()) return false;
  }
  if (i == 0 || v == 0 || v > UINT64_MAX / mul) return false;
  out = v * mul;
  return true;
}

int runList(const Args& args) {
  Options o = parse(args, false);
  if (!o.error.empty()) return usage("list", o.error);
  if (o.positional.size() != 1) return usage("list", "expected: ARCHIVE [-p PASSWORD]");
  const std::string& path = o.positional[0];
  rar::NativeFileSystem nfs;
  ReadState state;
  auto a = rar::Archive::open(nfs, path, readerOptions(o, path, state));
  if (!a) {
    report(path, describe(a.status(), state));
    return 1;
  }
  const rar::ArchiveInfo& info = (*a)->info();
  std::string head = "Archive " + path + ": RAR " +
                     (info.format == rar::Format::rar50 ? "5" : info.format == rar::Format::rar15 ? "1.5-4.x" : "1.4") +
                     (info.solid ? ", solid" : "") + (info.volume ? ", volume" : "") +
                     (info.headersEncrypted ? ", encrypted headers" : "") + (info.locked ? ", locked" : "");
  printLine(stdout, head);
  std::printf("%12s %12s  %-16s %-4s %s\n", "size", "packed", "modified", "flag", "name");
  unsigned count = 0, damaged = 0;
  uint64_t total = 0;
  for (;;) {
    auto h = (*a)->readHeader();
    if (!h) {
      std::fflush(stdout);
      report(path, describe(h.status(), state));
      return 1;
    }
    if (!*h) break;
    const rar::MemberInfo& m = (*a)->member();
    std::string flags;
    flags += m.headerDamaged ? '!' : m.isDirectory ? 'D' : '-';
    flags += m.encrypted ? 'E' : '-';
    flags += m.link != rar::LinkKind::none ? 'L' : '-';
    flags += m.method == 0 ? 's' : char('0' + m.method);
    char cols[96];
    std::snprintf(cols, sizeof(cols), "%12" PRIu64 " %12" PRIu64 "  %s %-4s ", m.unpackedSize, m.packedSize,
                  timeText(m).c_str(), flags.c_str());
    printLine(stdout, cols + m.name + linkText(m.link));
    if (m.headerDamaged) {
      // Every field of the line above may be wrong.
      ++damaged;
      std::fflush(stdout);
      report(path, aboutMember(m.name, "corrupt header: header checksum mismatch"));
    }
    ++count;
    total += m.unpackedSize;
  }
  std::printf("%12" PRIu64 " bytes in %u members%s\n", total, count, damaged ? " (some with damaged headers)" : "");
  return damaged ? 1 : 0;
}

int runTest(const Args& args) {
  Options o = parse(args, false);
  if (!o.error.empty()) return usage("test", o.error);
  if (o.positional.size() != 1) return usage("test", "expected: ARCHIVE [-p PASSWORD]");
  const std::string& path = o.positional[0];
  rar::NativeFileSystem nfs;
  ReadState state;
  auto a = rar::Archive::open(nfs, path, readerOptions(o, path, state));
  if (!a) {
    report(path, describe(a.status(), state));
    return 1;
  }
  unsigned ok = 0, failed = 0;
  std::string lastReason;
  for (;;) {
    auto h = (*a)->readHeader();
    if (!h) {
      // A member's failure that ends the archive comes back here: once is enough.
      std::string reason = describe(h.status(), state);
      if (lastReason.find(h.status().message()) == std::string::npos) {
        std::fflush(stdout);
        report(path, reason);
      }
      ++failed;
      break;
    }
    if (!*h) break;
    const rar::MemberInfo& m = (*a)->member();
    Progress progress(m);
    (*a)->setDataCallback([&](const uint8_t* d, size_t n) { return progress(d, n); });
    rar::Status s = (*a)->test();
    progress.finish();
    if (s) {
      ++ok;
      printLine(stdout, "OK      " + m.name);
    } else {
      ++failed;
      printLine(stdout, "FAILED  " + m.name);
      std::fflush(stdout);
      lastReason = describe(s, state);
      report(path, aboutMember(m.name, lastReason));
    }
  }
  std::printf("%u OK, %u failed\n", ok, failed);
  return failed ? 1 : 0;
}

int runExtract(const Args& args) {
  Options o = parse(args, false);
  if (!o.error.empty()) return usage("extract", o.error);
  if (o.positional.size() != 2) return usage("extract", "expected: ARCHIVE DIR [-p PASSWORD]");
  const std::string& path = o.positional[0];
  const std::string& dir = o.positional[1];
  rar::NativeFileSystem nfs;
  ReadState state;
  auto a = rar::Archive::open(nfs, path, readerOptions(o, path, state));
  if (!a) {
    report(path, describe(a.status(), state));
    return 1;
  }
  std::unique_ptr<Progress> progress;
  (*a)->setDataCallback([&](const uint8_t* d, size_t n) { return progress ? (*progress)(d, n) : true; });
  rar::ExtractReport result;
  rar::Status s = rar::extractAll(**a, nfs, dir, result, [&](const rar::MemberInfo& m) {
    if (progress) progress->finish();
    progress = std::make_unique<Progress>(m);
    printLine(stdout, m.name + linkText(m.link));
  });
  if (progress) progress->finish();
  std::fflush(stdout);
  for (const auto& p : result.problems) report(path, aboutMember(p.member, describe(p.status, state)));
  std::printf("%u files, %u directories extracted; %u links not created; %zu problems\n", result.files,
              result.directories, result.linksNotCreated, result.problems.size());
  return s ? 0 : 1;
}

namespace {

// Adds a file or a directory tree; member names start at the item's own name.
rar::Status addItem(rar::Writer& w, rar::NativeFileSystem& nfs, const fs::path& item, const std::string& name) {
  std::error_code ec;
  auto status = fs::symlink_status(item, ec);
  if (ec) return rar::Status(rar::Error::cannotOpen, "cannot read " + fromPath(item));
  rar::MemberMeta meta;
  auto mtime = fs::last_write_time(item, ec);
  if (!ec) {
    auto sys = std::chrono::file_clock::to_sys(mtime);
    meta.mtime = std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
  }
  if (fs::is_symlink(status)) {
    printLine(stderr, "setupkit pack: " + fromPath(item) + ": symbolic link not stored");
    return {};
  }
  if (fs::is_directory(status)) {
    if (rar::Status s = w.addDirectory(name, meta); !s) return s;
    std::vector<fs::path> children;
    for (const auto& e : fs::directory_iterator(item, ec)) children.push_back(e.path());
    if (ec) return rar::Status(rar::Error::cannotOpen, "cannot list " + fromPath(item));
    std::sort(children.begin(), children.end());
    for (const auto& c : children)
      if (rar::Status s = addItem(w, nfs, c, name + "/" + fromPath(c.filename())); !s) return s;
    return {};
  }
  auto in = nfs.openRead(fromPath(item));
  if (!in) return in.status();
  printLine(stdout, name);
  return w.addFile(name, **in, meta);
}

}  // namespace

int runPack(const Args& args) {
  Options o = parse(args, true);
  if (!o.error.empty()) return usage("pack", o.error);
  if (o.positional.size() < 2)
    return usage("pack", "expected: OUT FILES... [-p PASSWORD] [--encrypt-headers] [--volume-size N] [--old-naming]");
  if (o.encryptHeaders && !o.hasPassword) return usage("pack", "--encrypt-headers needs -p PASSWORD");
  rar::NativeFileSystem nfs;
  rar::WriterOptions wo;
  if (o.hasPassword) wo.password = rar::Password::fromUtf8(o.password);
  wo.encryptHeaders = o.encryptHeaders;
  wo.volumeSize = o.volumeSize;
  wo.naming = o.oldNaming ? rar::VolumeNaming::oldStyle : rar::VolumeNaming::newStyle;
  const std::string& out = o.positional[0];
  auto w = rar::Writer::create(nfs, out, wo);
  if (!w) {
    report(out, w.status().toString());
    return 1;
  }
  for (size_t i = 1; i < o.positional.size(); ++i) {
    fs::path item = toPath(o.positional[i]);
    fs::path base = item.filename().empty() ? item.parent_path().filename() : item.filename();
    std::string name = fromPath(base);
    if (name.empty() || name == "." || name == "..") {
      std::fprintf(stderr, "setupkit: %s: give a file or directory by its name, not %s\n", out.c_str(),
                   o.positional[i].c_str());
      return 1;
    }
    if (rar::Status s = addItem(**w, nfs, item, name); !s) {
      report(out, o.positional[i] + ": " + s.toString());
      return 1;
    }
  }
  if (rar::Status s = (*w)->finish(); !s) {
    report(out, s.toString());
    return 1;
  }
  std::printf("%s: %u volume%s\n", (*w)->firstVolumePath().c_str(), (*w)->volumeCount(), (*w)->volumeCount() == 1 ? "" : "s");
  return 0;
}

}  // namespace setupkit
