// Opening cost of crafted self-extractor stubs: files of false signatures,
// each claiming the largest header its format allows, with no archive
// behind them. Prints, per stub, the bytes the reader examined as a
// multiple of the file's size and the CPU time to open (refuse) it against
// the CPU time of reading the file once, in the same run. Exits 1 when the
// examined bytes exceed kMaxWorkPerByte times the size: opening must stay
// linear.
//
//   bench_open [MB...]        (default: 2 16)

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "rar/io/memory_fs.h"
#include "rar/read/archive.h"
#include "tests/rar/hostile_fixtures.h"

namespace {

constexpr double kMaxWorkPerByte = 8;

double cpuNow() {
  rusage u{};
  if (getrusage(RUSAGE_SELF, &u) != 0) return 0;
  auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return sec(u.ru_utime) + sec(u.ru_stime);
}

// Counts what the reader reads.
class CountingFs final : public rar::FileSystem {
 public:
  explicit CountingFs(rar::MemoryFileSystem& inner) : inner_(inner) {}
  rar::Result<std::unique_ptr<rar::InputFile>> openRead(const std::string& path) override {
    auto f = inner_.openRead(path);
    if (!f) return f.status();
    return std::unique_ptr<rar::InputFile>(std::make_unique<Counted>(std::move(*f), bytes));
  }
  bool exists(const std::string& p) override { return inner_.exists(p); }
  rar::Result<std::unique_ptr<rar::OutputFile>> create(const std::string& p) override { return inner_.create(p); }
  rar::Status createDirectories(const std::string& p) override { return inner_.createDirectories(p); }
  void remove(const std::string& p) override { inner_.remove(p); }
  uint64_t bytes = 0;

 private:
  struct Counted final : rar::InputFile {
    Counted(std::unique_ptr<rar::InputFile> f, uint64_t& n) : f(std::move(f)), n(n) {}
    rar::Result<size_t> read(uint8_t* b, size_t s) override {
      auto r = f->read(b, s);
      if (r) n += *r;
      return r;
    }
    rar::Status seek(uint64_t o) override { return f->seek(o); }
    rar::Result<uint64_t> size() override { return f->size(); }
    std::unique_ptr<rar::InputFile> f;
    uint64_t& n;
  };
  rar::MemoryFileSystem& inner_;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(size_t(std::atoi(argv[i])) << 20);
  if (sizes.empty()) sizes = {2u << 20, 16u << 20};
  int rc = 0;
  std::printf("%-10s %6s %14s %12s %12s %10s\n", "stub", "MB", "read/size", "open_s", "readonce_s", "ratio");
  for (size_t size : sizes) {
    for (bool rar5 : {false, true}) {
      rar::MemoryFileSystem mem;
      mem.put("setup.exe", rar::fixtures::craftedStub(size, rar5));
      CountingFs fs(mem);
      double t0 = cpuNow();
      auto a = rar::Archive::open(fs, "setup.exe");
      double open = cpuNow() - t0;
      // The floor: reading the file once in the same 64 KB pieces.
      auto in = mem.openRead("setup.exe");
      std::vector<uint8_t> buf(64 * 1024);
      uint64_t sum = 0;
      t0 = cpuNow();
      for (;;) {
        auto n = (*in)->read(buf.data(), buf.size());
        if (!n || *n == 0) break;
        sum += buf[0];
      }
      double once = cpuNow() - t0 + 1e-6;
      double work = double(fs.bytes) / double(size);
      std::printf("%-10s %6zu %13.2fx %12.4f %12.4f %9.1fx%s\n", rar5 ? "RAR 5" : "RAR 1.5", size >> 20, work, open, once,
                  open / once, a.ok() ? "  (opened?)" : "");
      if (work > kMaxWorkPerByte || a.ok()) rc = 1;
      (void)sum;
    }
  }
  return rc;
}
