// The floor for extracting stored data: copies a folder tree the plainest
// way that still does what an extraction must do per byte and per file -
// read the bytes, copy them once in memory (where an extractor would check
// them), write them to a new file - without checksums or any other work.
// bench/run.sh runs it over the extracted tree, so it moves the same bytes
// into the same number of files as the extractors it is compared with.
//
//   floor_copy SRC DST

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kChunk = 1 << 20;

struct Buffers {
  std::vector<char> in = std::vector<char>(kChunk);
  std::vector<char> out = std::vector<char>(kChunk);
};

bool fail(const std::string& what) {
  std::fprintf(stderr, "floor_copy: %s: %s\n", what.c_str(), std::strerror(errno));
  return false;
}

bool copyFile(const std::string& from, const std::string& to, Buffers& b) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail(from);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    ::close(in);
    return fail(to);
  }
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(in, b.in.data(), kChunk);
    if (n < 0) {
      ok = fail(from);
      break;
    }
    if (n == 0) break;
    std::memcpy(b.out.data(), b.in.data(), size_t(n));
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, b.out.data() + done, size_t(n - done));
      if (w < 0) {
        ok = fail(to);
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  ::close(in);
  if (::close(out) != 0) ok = fail(to);
  return ok;
}

bool copyTree(const std::string& from, const std::string& to, Buffers& b) {
  if (::mkdir(to.c_str(), 0777) != 0 && errno != EEXIST) return fail(to);
  DIR* d = ::opendir(from.c_str());
  if (!d) return fail(from);
  bool ok = true;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    std::string src = from + "/" + name, dst = to + "/" + name;
    struct stat st {};
    if (::lstat(src.c_str(), &st) != 0) {
      ok = fail(src);
      break;
    }
    if (S_ISDIR(st.st_mode)) ok = copyTree(src, dst, b);
    else if (S_ISREG(st.st_mode)) ok = copyFile(src, dst, b);
    if (!ok) break;
  }
  ::closedir(d);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: floor_copy SRC DST\n");
    return 2;
  }
  Buffers b;
  return copyTree(argv[1], argv[2], b) ? 0 : 1;
}
