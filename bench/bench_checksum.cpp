// Checksum throughput on this processor, every path side by side in one
// run: CRC-32 (table, folding) and BLAKE2sp (portable, SSE2, SSSE3), over
// 64 KB blocks of a 16 MB buffer, best of several passes by CPU time.
// Prints "name MB/s" lines; a path the processor lacks is left out.

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <sys/resource.h>

#include "rar/checksum/blake2sp.h"
#include "rar/checksum/crc32.h"

namespace {

constexpr size_t kBlock = 64 * 1024;

double cpuNow() {
  rusage u{};
  if (getrusage(RUSAGE_SELF, &u) != 0) return 0;
  auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return sec(u.ru_utime) + sec(u.ru_stime);
}

void report(const char* name, const std::vector<uint8_t>& data, const std::function<uint32_t(const uint8_t*, size_t)>& f) {
  double best = 1e9;
  uint32_t sink = 0;
  for (int pass = 0; pass < 5; ++pass) {
    double start = cpuNow();
    sink ^= f(data.data(), data.size());
    best = std::min(best, cpuNow() - start);
  }
  std::printf("  %-20s %8.0f MB/s%s\n", name, double(data.size()) / 1e6 / std::max(best, 1e-6), sink == 1 ? " " : "");
}

}  // namespace

int main() {
  std::vector<uint8_t> data(16 << 20);
  uint32_t x = 1;
  for (auto& b : data) b = uint8_t((x = x * 1103515245u + 12345u) >> 24);
  auto blocks = [&](auto&& step) {
    return [step](const uint8_t* p, size_t n) {
      uint32_t r = 0xFFFFFFFFu;
      for (size_t at = 0; at < n; at += kBlock) r = step(r, p + at, std::min(kBlock, n - at));
      return r;
    };
  };
  report("crc32 table", data, blocks([](uint32_t r, const uint8_t* p, size_t n) { return rar::crc32RawPortable(r, p, n); }));
  if (rar::crc32HasFolding())
    report("crc32 folding", data, blocks([](uint32_t r, const uint8_t* p, size_t n) { return rar::crc32RawFolding(r, p, n); }));
  const struct {
    const char* name;
    rar::Blake2Path path;
  } paths[] = {{"blake2sp portable", rar::Blake2Path::portable},
               {"blake2sp sse2", rar::Blake2Path::sse2},
               {"blake2sp ssse3", rar::Blake2Path::ssse3}};
  for (const auto& p : paths) {
    if (!rar::blake2spSupports(p.path)) continue;
    report(p.name, data, [&](const uint8_t* d, size_t n) {
      rar::Blake2sp h(p.path);
      for (size_t at = 0; at < n; at += kBlock) h.update(d + at, std::min(kBlock, n - at));
      return uint32_t(h.finish()[0]);
    });
  }
  return 0;
}
