// Plain driver for the fuzz harnesses: runs LLVMFuzzerTestOneInput over every
// file named on the command line (directories: every file inside), so the
// saved corpus replays in every build without libFuzzer.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool runFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
    return false;
  }
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(data.data(), data.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg, ec)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg, ec)) {
        if (!entry.is_regular_file()) continue;
        if (!runFile(entry.path())) return 1;
        ++count;
      }
      if (ec) {
        std::fprintf(stderr, "cannot list %s\n", argv[i]);
        return 1;
      }
    } else {
      if (!runFile(arg)) return 1;
      ++count;
    }
  }
  std::printf("replayed %zu inputs\n", count);
  return count > 0 ? 0 : 1;
}
