#include "tools/setupkit/package_builder.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <set>

#include "archive/extract_all.h"
#include "rar/io/native_fs.h"
#include "rar/write/writer.h"
#include "startup/code_page_conversion.h"
#include "startup/tools.h"
#include "text/codepage.h"
#include "tools/setupkit/native_paths.h"
#include "tools/setupkit/script_load.h"
#include "tools/setupkit/sign_tool.h"

namespace setupkit {

namespace fs = std::filesystem;

namespace {

constexpr const char kStagingName[] = ".setupkit-build";

std::string utf8(const std::string& text1251) { return text::toUtf8(text::CodePage::cp1251, text1251); }

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// Case-insensitive comparison of UTF-8 names as Windows compares them.
bool sameName(const std::string& a, const std::string& b) {
  return text::equalsNoCase1251(text::fromUtf8(text::CodePage::cp1251, a), text::fromUtf8(text::CodePage::cp1251, b));
}

// `relative` ('/'-separated, UTF-8) below `dir`, matched without regard to
// letter case where the exact spelling does not exist: the script was
// written for Windows.
std::optional<fs::path> findBelow(const fs::path& dir, const std::string& relative) {
  fs::path at = dir;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t slash = relative.find('/', start);
    std::string part = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    start = slash == std::string::npos ? relative.size() + 1 : slash + 1;
    if (part.empty()) continue;
    std::error_code ec;
    fs::path exact = at / toPath(part);
    if (fs::exists(exact, ec)) {
      at = exact;
      continue;
    }
    std::optional<fs::path> found;
    for (const auto& e : fs::directory_iterator(at, ec)) {
      if (sameName(fromPath(e.path().filename()), part)) {
        found = e.path();
        break;
      }
    }
    if (!found) return std::nullopt;
    at = *found;
  }
  return at;
}

std::optional<fs::path> findFile(const fs::path& dir, const std::string& relative) {
  auto p = findBelow(dir, relative);
  std::error_code ec;
  if (p && fs::is_regular_file(*p, ec)) return p;
  return std::nullopt;
}

rar::MemberMeta metaOf(const fs::path& p) {
  rar::MemberMeta meta;
  std::error_code ec;
  auto mtime = fs::last_write_time(p, ec);
  if (!ec) {
    auto sys = std::chrono::file_clock::to_sys(mtime);
    meta.mtime = std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
  }
  return meta;
}

struct Member {
  std::string name;  // UTF-8, '/' separators
  fs::path source;
};

// One archive written from a list of members.
bool writeArchive(const fs::path& path, const std::vector<Member>& members, rar::WriterOptions options,
                  const std::string& shownPath, BuildReport& report, unsigned* volumes = nullptr) {
  rar::NativeFileSystem nfs;
  auto w = rar::Writer::create(nfs, fromPath(path), std::move(options));
  if (!w) {
    report.problems.push_back({shownPath, w.status().toString()});
    return false;
  }
  for (const auto& m : members) {
    auto in = nfs.openRead(fromPath(m.source));
    if (!in) {
      report.problems.push_back({fromPath(m.source), in.status().toString()});
      return false;
    }
    if (rar::Status s = (*w)->addFile(m.name, **in, metaOf(m.source)); !s) {
      report.problems.push_back({shownPath, m.name + ": " + s.toString()});
      return false;
    }
  }
  if (rar::Status s = (*w)->finish(); !s) {
    report.problems.push_back({shownPath, s.toString()});
    return false;
  }
  if (volumes) *volumes = (*w)->volumeCount();
  return true;
}

// The files of a medium: what an older build left in the output folder.
bool isMediumFile(const std::string& name) {
  std::string n = lowerAscii(name);
  if (n == "install.dat" || n == "setup.exe") return true;
  return n.size() == 8 && n.compare(0, 5, "data.") == 0 && std::all_of(n.begin() + 5, n.end(), ::isdigit);
}

bool isDiskFolder(const std::string& name) {
  std::string n = lowerAscii(name);
  return n.size() > 4 && n.compare(0, 4, "disk") == 0 && std::all_of(n.begin() + 4, n.end(), ::isdigit);
}

// An older medium's files in `out` (top level and Disk folders).
std::vector<fs::path> oldMedium(const fs::path& out) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(out, ec)) {
    std::string name = fromPath(e.path().filename());
    if (e.is_regular_file(ec) && isMediumFile(name)) found.push_back(e.path());
    if (e.is_directory(ec) && isDiskFolder(name)) {
      for (const auto& d : fs::directory_iterator(e.path(), ec))
        if (d.is_regular_file(ec) && isMediumFile(fromPath(d.path().filename()))) found.push_back(d.path());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string relativeShown(const fs::path& p, const fs::path& base) {
  return fromPath(p.lexically_relative(base).generic_string());
}

// A volume of at least this size holds the archive's own headers and one
// member header with `longestName` bytes of name; below it the writer could
// not place a single header in a volume.
uint64_t minimumVolumeSize(size_t longestName) { return 8 + 64 + 48 + 96 + longestName + 16; }

}  // namespace

std::string UnconvertibleTitleCharacters(const std::string& title1251) {
  startup::CodePageConversion conversion;
  conversion.set(1251, 866);
  std::string bad;
  for (char c : title1251) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0x80 && conversion.convert(b) == b) {
      std::string one = utf8(std::string(1, c));
      if (bad.find(one) == std::string::npos) bad += one;
    }
  }
  return bad;
}

BuildReport BuildPackage(const BuildRequest& rq) {
  BuildReport report;
  auto refuse = [&](std::string file, std::string reason) { report.problems.push_back({std::move(file), std::move(reason)}); };
  const std::string sourceShown = fromPath(rq.source);
  std::error_code ec;

  // --- the script, read and linted as the engine reads it ---
  if (!fs::is_directory(rq.source, ec)) {
    refuse(sourceShown, "not a folder");
    return report;
  }
  auto scriptPath = findFile(rq.source, "Install.Ini");
  if (!scriptPath) {
    refuse(fromPath(rq.source / "Install.Ini"), "missing: the package folder must hold the setup script");
    return report;
  }
  const std::string scriptShown = fromPath(*scriptPath);
  auto scriptData = readHostFile(*scriptPath);
  if (!scriptData) {
    refuse(scriptShown, "cannot be read");
    return report;
  }
  LoadedScript script(*scriptData);
  if (!script.ok()) {
    std::string why;
    for (const auto& m : script.messages()) why += (why.empty() ? "" : "; ") + utf8(m.text);
    refuse(scriptShown, "the engine refuses this script" + (why.empty() ? std::string() : ": " + why));
    return report;
  }
  for (const auto& f : script.findings())
    if (f.severity == LintFinding::Severity::warning) report.warnings.push_back({scriptShown, utf8(f.where) + ": " + utf8(f.message)});
  const startup::SetupDataModel& model = script.model();

  // --- the title's password ---
  if (std::string bad = UnconvertibleTitleCharacters(model.Main.Title); !bad.empty()) {
    refuse(scriptShown, "[Main] Title holds characters that the package password cannot carry into code page 866 (" +
                            bad + "); use Russian letters, No. sign and ASCII only");
  }

  // --- the package's members, one per archive name ---
  std::vector<Member> packageMembers;
  std::map<std::string, size_t> byKey;  // upper-case 1251 name -> index
  std::map<std::string, std::string> entryOfKey;
  size_t longestName = 0;
  for (size_t i = 0; i < model.FilesData.size(); ++i) {
    const auto& f = model.FilesData[i];
    const std::string entry = "[Files] File" + std::to_string(i + 1);
    if (startup::IsBlank(f.ArchiveName)) {
      refuse(scriptShown, entry + ": no archive name");
      continue;
    }
    std::string name1251 = f.ArchiveName;
    std::replace(name1251.begin(), name1251.end(), '\\', '/');
    std::string name = utf8(name1251);
    if (!archive::SafeMemberPath(name)) {
      refuse(scriptShown, entry + ": archive name \"" + name + "\" is not a relative path inside the package");
      continue;
    }
    auto src = findFile(rq.source, name);
    if (!src) {
      refuse(fromPath(rq.source / toPath(name)), "missing (" + entry + " names it)");
      continue;
    }
    std::string key = text::upper1251(name1251);
    auto it = byKey.find(key);
    if (it != byKey.end()) {
      const Member& earlier = packageMembers[it->second];
      if (!fs::equivalent(earlier.source, *src, ec))
        refuse(scriptShown, entryOfKey[key] + " and " + entry + " both write the archive member \"" + earlier.name +
                                "\" but from different files (" + fromPath(earlier.source) + ", " + fromPath(*src) + ")");
      continue;
    }
    byKey[key] = packageMembers.size();
    entryOfKey[key] = entry;
    packageMembers.push_back({name, *src});
    longestName = std::max(longestName, name.size());
  }

  // --- install.dat's members ---
  std::vector<Member> engineMembers{{"Install.Ini", *scriptPath}};
  if (auto dll = findFile(rq.source, "Install.Dll")) engineMembers.push_back({"Install.Dll", *dll});
  if (!startup::IsBlank(model.Main.Licence)) {
    std::string lic = utf8(model.Main.Licence);
    if (auto p = findFile(rq.source, lic)) {
      engineMembers.push_back({lic, *p});
    } else {
      refuse(fromPath(rq.source / toPath(lic)), "missing ([Main] Licence names it)");
    }
  }
  std::optional<fs::path> uninstaller;
  std::string uninstallerName;
  if (!startup::IsBlank(model.Main.UFile)) {
    std::string u = model.Main.UFile;
    while (!u.empty() && u.back() == '\\') u.pop_back();
    uninstallerName = utf8(u.substr(u.find_last_of("\\:") == std::string::npos ? 0 : u.find_last_of("\\:") + 1));
    uninstaller = findFile(rq.source, uninstallerName);
    // An author who brings no uninstaller of their own gets ours: the one
    // given, or the one built beside the engine.
    if (!uninstaller && rq.uninstaller) {
      if (fs::is_regular_file(*rq.uninstaller, ec))
        uninstaller = *rq.uninstaller;
      else
        refuse(fromPath(*rq.uninstaller), "missing (--uninstaller)");
    }
    if (!uninstaller && !rq.uninstaller && rq.setupExe) {
      for (const fs::path& candidate : {rq.setupExe->parent_path() / "uninstall.exe",
                                        rq.setupExe->parent_path().parent_path() / "uninstall" / "uninstall.exe"}) {
        if (fs::is_regular_file(candidate, ec)) {
          uninstaller = candidate;
          break;
        }
      }
    }
    if (!uninstaller)
      report.warnings.push_back({fromPath(rq.source / toPath(uninstallerName)),
                                 "not in the package folder: [Main] UFile names it, the engine will copy no uninstaller "
                                 "(give --uninstaller PATH, or --setup-exe with uninstall.exe beside it)"});
  }

  // --- RunLib packs: a folder named as the pack is packed, a file is copied ---
  struct Pack {
    std::string name;  // UTF-8
    fs::path source;
    bool folder = false;
  };
  std::vector<Pack> packs;
  for (size_t i = 0; i < model.TRuns.size(); ++i) {
    const auto& r = model.TRuns[i];
    const std::string entry = "[RunLib] Pack" + std::to_string(i + 1);
    std::string name = utf8(r.Pack);
    if (startup::IsBlank(r.Pack) || !archive::SafeMemberPath(name) || name.find_first_of("/\\") != std::string::npos) {
      refuse(scriptShown, entry + ": \"" + name + "\" is not a file name");
      continue;
    }
    auto src = findBelow(rq.source, name);
    if (!src) {
      refuse(fromPath(rq.source / toPath(name)), "missing (" + entry + " names it): give a folder with the pack's files or a ready pack");
      continue;
    }
    bool folder = fs::is_directory(*src, ec);
    if (folder && !findFile(*src, utf8(r.RunName)))
      refuse(fromPath(*src / toPath(utf8(r.RunName))), "missing: [RunLib] Run" + std::to_string(i + 1) + " runs it from this pack");
    packs.push_back({name, *src, folder});
  }

  // --- setup.exe, signing ---
  if (rq.setupExe && !fs::is_regular_file(*rq.setupExe, ec)) refuse(fromPath(*rq.setupExe), "missing (--setup-exe)");
  if (rq.signCert) {
    if (!fs::is_regular_file(*rq.signCert, ec)) refuse(fromPath(*rq.signCert), "missing (--sign)");
    if (rq.signPasswordFile && !fs::is_regular_file(*rq.signPasswordFile, ec))
      refuse(fromPath(*rq.signPasswordFile), "missing (--sign-password-file)");
    if (!rq.setupExe && !uninstaller) refuse("--sign", "nothing to sign: give --setup-exe or an uninstaller");
  }

  // --- volume size ---
  if (rq.volumeSize && rq.volumeSize < minimumVolumeSize(longestName))
    refuse("--volume-size", std::to_string(rq.volumeSize) + " bytes is too small to hold a volume's headers (at least " +
                                std::to_string(minimumVolumeSize(longestName)) + " bytes for these members)");
  if (rq.disks && !rq.volumeSize) report.warnings.push_back({"--disks", "no --volume-size: data.000 is one volume in Disk1"});

  // --- the output folder ---
  std::vector<fs::path> old;
  if (fs::exists(rq.out, ec)) {
    if (!fs::is_directory(rq.out, ec)) {
      refuse(fromPath(rq.out), "exists and is not a folder");
    } else {
      old = oldMedium(rq.out);
      if (!old.empty() && !rq.force)
        refuse(fromPath(old.front()), "the output folder holds an older medium; give --force to replace it");
    }
  }
  if (!report.ok()) return report;

  // --- write everything into the staging folder ---
  const bool createdOut = !fs::exists(rq.out, ec);
  fs::create_directories(rq.out, ec);
  const fs::path staging = rq.out / kStagingName;
  fs::remove_all(staging, ec);
  const fs::path first = rq.disks ? staging / "Disk1" : staging;
  fs::create_directories(first, ec);
  if (ec) {
    refuse(fromPath(first), "cannot create: " + ec.message());
    return report;
  }
  // A failed build leaves the output folder as it found it.
  auto fail = [&]() {
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    if (createdOut && fs::is_empty(rq.out, ignored)) fs::remove(rq.out, ignored);
    return report;
  };

  // Signing happens on copies in the staging folder, before packing.
  if (uninstaller) {
    fs::path copy = staging / ("uninstaller-" + fromPath(uninstaller->filename()));
    fs::copy_file(*uninstaller, copy, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      refuse(fromPath(*uninstaller), "cannot copy: " + ec.message());
      return fail();
    }
    if (rq.signCert) {
      std::string error;
      if (!SignExecutable(rq.signTool, copy, *rq.signCert, rq.signPasswordFile, model.Main.Title.empty() ? "" : utf8(model.Main.Title), error)) {
        refuse(fromPath(*uninstaller), "signing failed: " + error);
        return fail();
      }
    }
    engineMembers.push_back({uninstallerName, copy});
  }

  rar::WriterOptions engineOptions;
  engineOptions.password = rar::Password::fromOem866(startup::kEngineArchivePassword);
  engineOptions.encryptHeaders = true;
  if (!writeArchive(first / "install.dat", engineMembers, engineOptions, "install.dat", report)) return fail();

  startup::CodePageConversion conversion;
  const std::string password = startup::PackageArchivePassword(model.Main.Title, conversion);
  rar::WriterOptions packageOptions;
  if (!password.empty()) packageOptions.password = rar::Password::fromOem866(password);
  packageOptions.volumeSize = rq.volumeSize;
  packageOptions.naming = rar::VolumeNaming::oldStyle;
  unsigned volumes = 0;
  if (!writeArchive(first / "data.000", packageMembers, packageOptions, "data.000", report, &volumes)) {
    if (rq.volumeSize && !report.problems.empty() && report.problems.back().reason.find("too small") != std::string::npos) {
      std::string member = report.problems.back().reason;
      member = member.substr(0, member.find(": "));
      report.problems.back() = {"--volume-size", std::to_string(rq.volumeSize) +
                                                     " bytes is too small to hold a volume's headers and the header of member " +
                                                     member};
    }
    return fail();
  }
  if (rq.disks) {
    for (unsigned v = 1; v < volumes; ++v) {
      char ext[16];
      std::snprintf(ext, sizeof ext, "%03u", v);
      fs::path disk = staging / ("Disk" + std::to_string(v + 1));
      fs::create_directories(disk, ec);
      fs::rename(first / ("data." + std::string(ext)), disk / ("data." + std::string(ext)), ec);
      if (ec) {
        refuse(fromPath(disk), "cannot place volume " + std::string(ext) + ": " + ec.message());
        return fail();
      }
    }
  }

  for (const auto& p : packs) {
    if (p.folder) {
      std::vector<Member> members;
      for (const auto& e : fs::recursive_directory_iterator(p.source, ec))
        if (e.is_regular_file()) members.push_back({fromPath(e.path().lexically_relative(p.source).generic_string()), e.path()});
      std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) { return a.name < b.name; });
      rar::WriterOptions o;
      if (!password.empty()) o.password = rar::Password::fromOem866(password);
      if (!writeArchive(first / toPath(p.name), members, o, p.name, report)) return fail();
    } else {
      fs::copy_file(p.source, first / toPath(p.name), fs::copy_options::overwrite_existing, ec);
      if (ec) {
        refuse(fromPath(p.source), "cannot copy: " + ec.message());
        return fail();
      }
    }
  }

  if (rq.setupExe) {
    fs::copy_file(*rq.setupExe, first / "setup.exe", fs::copy_options::overwrite_existing, ec);
    if (ec) {
      refuse(fromPath(*rq.setupExe), "cannot copy: " + ec.message());
      return fail();
    }
    if (rq.signCert) {
      std::string error;
      if (!SignExecutable(rq.signTool, first / "setup.exe", *rq.signCert, rq.signPasswordFile, utf8(model.Main.Title), error)) {
        refuse(fromPath(*rq.setupExe), "signing failed: " + error);
        return fail();
      }
    }
  }
  if (uninstaller) fs::remove(staging / ("uninstaller-" + fromPath(uninstaller->filename())), ec);

  // --- the old medium goes, the new one moves into place ---
  for (const auto& p : old) fs::remove(p, ec);
  for (const auto& e : fs::directory_iterator(rq.out, ec)) {
    if (e.is_directory() && isDiskFolder(fromPath(e.path().filename())) && fs::is_empty(e.path(), ec)) fs::remove(e.path(), ec);
  }
  std::vector<fs::path> staged;
  for (const auto& e : fs::recursive_directory_iterator(staging, ec))
    if (e.is_regular_file()) staged.push_back(e.path());
  std::sort(staged.begin(), staged.end());
  for (const auto& p : staged) {
    fs::path target = rq.out / p.lexically_relative(staging);
    fs::create_directories(target.parent_path(), ec);
    fs::remove(target, ec);
    fs::rename(p, target, ec);
    if (ec) {
      refuse(fromPath(target), "cannot move into place: " + ec.message());
      return fail();
    }
    std::string rel = relativeShown(target, rq.out);
    std::string name = lowerAscii(fromPath(target.filename()));
    std::string what;
    if (name == "install.dat") what = "engine data: " + std::to_string(engineMembers.size()) + " member(s), encrypted with headers";
    else if (name == "setup.exe") what = rq.signCert ? "the engine, signed" : "the engine";
    else if (isMediumFile(name)) what = name == "data.000" ? "package: " + std::to_string(packageMembers.size()) + " member(s)" +
                                                             (password.empty() ? "" : ", encrypted") +
                                                             (volumes > 1 ? ", volume 1 of " + std::to_string(volumes) : "")
                                                       : "package volume";
    else what = "RunLib pack";
    report.written.push_back({rel, fs::file_size(target, ec), what});
  }
  fs::remove_all(staging, ec);
  return report;
}

}  // namespace setupkit
