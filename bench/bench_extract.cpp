// Extraction benchmark: decodes every member of each archive to a null sink
// (checksums verified, as in a real extraction) and prints the mean CPU time
// (user + system) of several runs: CPU time stays comparable on a machine
// shared with other work, where wall time does not. `--stored MB` instead writes a stored archive of that
// size and compares extracting it with plain file reading plus memcpy.
//
//   bench_extract [--runs N] archive...
//   bench_extract [--runs N] --stored MB workdir
//
// Output: one tab-separated line per measurement:
//   ours <archive> <bytes> <seconds>      or
//   stored <bytes> <ours seconds> <memcpy seconds>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "rar/io/native_fs.h"
#include "rar/read/archive.h"
#include "rar/write/writer.h"

namespace {

// CPU time of this process so far (user + system), in seconds.
double cpuNow() {
  rusage u{};
  if (getrusage(RUSAGE_SELF, &u) != 0) return 0;
  auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return sec(u.ru_utime) + sec(u.ru_stime);
}

// Extracts every member to nowhere; returns the bytes produced.
rar::Result<uint64_t> extractAll(rar::NativeFileSystem& fs, const std::string& path) {
  auto archive = rar::Archive::open(fs, path);
  if (!archive.ok()) return archive.status();
  uint64_t total = 0;
  for (;;) {
    rar::Result<bool> next = (*archive)->readHeader();
    if (!next.ok()) return next.status();
    if (!*next) break;
    rar::Status s = (*archive)->test();
    if (!s.ok()) return s;
    total += (*archive)->member().unpackedSize;
  }
  return total;
}

int benchArchives(const std::vector<std::string>& paths, int runs) {
  rar::NativeFileSystem fs;
  for (const std::string& path : paths) {
    double total = 0;
    uint64_t bytes = 0;
    for (int r = 0; r < runs; ++r) {
      const double start = cpuNow();
      rar::Result<uint64_t> got = extractAll(fs, path);
      double t = cpuNow() - start;
      if (!got.ok()) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), got.status().toString().c_str());
        return 1;
      }
      bytes = *got;
      total += t;
    }
    std::printf("ours\t%s\t%llu\t%.6f\n", path.c_str(), static_cast<unsigned long long>(bytes), total / runs);
  }
  return 0;
}

// Plain reading of the archive file in 64 KB pieces, each copied once more:
// the floor for extracting stored data.
double readAndCopy(const std::string& path, uint64_t& bytes) {
  std::vector<uint8_t> buffer(1 << 16), copy(1 << 16);
  const double start = cpuNow();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  bytes = 0;
  unsigned sink = 0;
  for (;;) {
    size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
    if (n == 0) break;
    std::memcpy(copy.data(), buffer.data(), n);
    sink += copy[n - 1];
    bytes += n;
  }
  std::fclose(f);
  double t = cpuNow() - start;
  if (sink == 0xFFFFFFFFu) std::puts("");  // keep the copy observable
  return t;
}

int benchStored(uint64_t megabytes, const std::string& dir, int runs) {
  rar::NativeFileSystem fs;
  const std::string path = dir + "/bench-stored.rar";
  {
    auto writer = rar::Writer::create(fs, path);
    if (!writer.ok()) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), writer.status().toString().c_str());
      return 1;
    }
    std::string data(megabytes << 20, '\0');
    uint32_t x = 12345;
    for (char& c : data) {
      x = x * 1103515245u + 12345u;
      c = static_cast<char>(x >> 24);
    }
    rar::Status s = (*writer)->addBytes("data.bin", data);
    if (s.ok()) s = (*writer)->finish();
    if (!s.ok()) {
      std::fprintf(stderr, "writing %s: %s\n", path.c_str(), s.toString().c_str());
      return 1;
    }
  }
  double ours = 0, floor = 0;
  uint64_t bytes = 0, fileBytes = 0;
  for (int r = 0; r < runs; ++r) {
    const double start = cpuNow();
    rar::Result<uint64_t> got = extractAll(fs, path);
    double t = cpuNow() - start;
    if (!got.ok()) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), got.status().toString().c_str());
      return 1;
    }
    bytes = *got;
    ours += t / runs;
    floor += readAndCopy(path, fileBytes) / runs;
  }
  fs.remove(path);
  std::printf("stored\t%llu\t%.6f\t%.6f\n", static_cast<unsigned long long>(bytes), ours, floor);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "--runs") {
    runs = std::max(1, std::atoi(args[1].c_str()));
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() == 3 && args[0] == "--stored") return benchStored(std::strtoull(args[1].c_str(), nullptr, 10), args[2], runs);
  if (args.empty()) {
    std::fprintf(stderr, "usage: bench_extract [--runs N] archive... | [--runs N] --stored MB workdir\n");
    return 2;
  }
  return benchArchives(args, runs);
}
