#include "rar/codec/window_memory.h"

#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace rar::codec {

#ifdef __linux__
namespace {
constexpr size_t kHugePage = size_t(2) << 20;
}
#endif

void WindowMemoryFree::operator()(uint8_t* p) const {
  if (!p) return;
#ifdef __linux__
  if (mapped != 0) {
    ::munmap(p, mapped);
    return;
  }
#endif
  delete[] p;
}

WindowMemory allocateWindow(size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (size >= kHugePage && size % kHugePage == 0) {
    // Map one huge page more, then trim to an aligned run: huge pages only
    // back aligned 2 MB pieces.
    const size_t span = size + kHugePage;
    void* m = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m != MAP_FAILED) {
      uint8_t* base = static_cast<uint8_t*>(m);
      const uintptr_t at = reinterpret_cast<uintptr_t>(base);
      uint8_t* aligned = base + ((kHugePage - at % kHugePage) % kHugePage);
      if (aligned > base) ::munmap(base, size_t(aligned - base));
      uint8_t* end = aligned + size;
      if (base + span > end) ::munmap(end, size_t(base + span - end));
      (void)::madvise(aligned, size, MADV_HUGEPAGE);  // a hint; small pages still work
      return WindowMemory(aligned, WindowMemoryFree{size});
    }
  }
#endif
  return WindowMemory(new (std::nothrow) uint8_t[size], WindowMemoryFree{});
}

}  // namespace rar::codec
