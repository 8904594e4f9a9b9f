#pragma once
// A package source folder in a temporary directory: the example script
// (examples/demo/Install.Ini) and small files for its [Files] entries.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "rar/io/native_fs.h"
#include "rar/read/archive.h"
#include "text/codepage.h"
#include "tools/setupkit/native_paths.h"
#include "tools/setupkit/script_load.h"

namespace setupkit::testing {

inline void writeFile(const std::filesystem::path& p, const std::string& data) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << data;
}

inline std::string exampleScript() {
  return readHostFile(std::filesystem::path(SETUPKIT_SOURCE_DIR) / "examples" / "demo" / "Install.Ini").value_or("");
}

// Members of an archive (name -> content), following volumes into sibling
// Disk folders as the engine's prompt does.
inline std::map<std::string, std::string> readArchive(const std::filesystem::path& path, const std::string& password8bit,
                                                      rar::Status* failure = nullptr) {
  std::map<std::string, std::string> out;
  rar::NativeFileSystem nfs;
  rar::ArchiveOptions o;
  if (!password8bit.empty()) o.password = rar::Password::fromOem866(password8bit);
  o.onVolume = [](rar::VolumeEvent e, std::string& p) {
    if (e != rar::VolumeEvent::missing) return true;
    std::filesystem::path v(p);
    std::string disk = v.parent_path().filename().string();
    if (disk.rfind("Disk", 0) != 0) return false;
    int n = std::stoi(disk.substr(4)) + 1;
    p = (v.parent_path().parent_path() / ("Disk" + std::to_string(n)) / v.filename()).string();
    return std::filesystem::exists(p);
  };
  auto a = rar::Archive::open(nfs, path.string(), o);
  if (!a) {
    if (failure) *failure = a.status();
    return out;
  }
  for (;;) {
    auto h = (*a)->readHeader();
    if (!h || !*h) {
      if (!h && failure) *failure = h.status();
      break;
    }
    struct Sink : rar::OutputSink {
      std::string data;
      rar::Status write(const uint8_t* d, size_t n) override {
        data.append(reinterpret_cast<const char*>(d), n);
        return {};
      }
    } sink;
    std::string name = (*a)->member().name;
    if (rar::Status s = (*a)->extract(sink); !s) {
      if (failure) *failure = s;
      break;
    }
    out[name] = sink.data;
  }
  return out;
}

class PackageSource : public ::testing::Test {
 public:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() /
           ("setupkit-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
            std::to_string(std::random_device{}()));
    std::filesystem::remove_all(root);
    source = root / "src";
    out = root / "out";
    std::filesystem::create_directories(source);
    // The example's texts, and stand-ins for its binaries and RunLib packs
    // (the real ones come from a Windows build).
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(SETUPKIT_SOURCE_DIR) / "examples" / "demo"))
      if (e.is_regular_file()) std::filesystem::copy_file(e.path(), source / e.path().filename());
    LoadedScript script(exampleScript());
    ASSERT_TRUE(script.ok());
    for (const auto& f : script.model().FilesData) {
      const std::filesystem::path p = source / f.ArchiveName.str();
      if (!std::filesystem::exists(p)) writeFile(p, "stand-in " + f.ArchiveName.str() + std::string(2000, '.'));
      memberCount++;
    }
    for (const auto& r : script.model().TRuns) writeFile(source / r.Pack.str() / r.RunName.str(), "MZ stand-in");
    // The uninstaller, as [Main] UFile names it.
    const std::string ufile = script.model().Main.UFile;
    if (!ufile.empty()) writeFile(source / ufile.substr(ufile.find_last_of("\\") + 1), "MZ stand-in uninstaller");
    if (!std::filesystem::exists(source / "Licence.txt")) writeFile(source / "Licence.txt", "licence text\r\n");
  }
  void TearDown() override { std::filesystem::remove_all(root); }

  std::filesystem::path root, source, out;
  size_t memberCount = 0;  // [Files] entries of the example
};

}  // namespace setupkit::testing
