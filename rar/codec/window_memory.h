#pragma once
// Memory for a decoder's window. A large window is touched page by page as
// the first pass of output fills it; on Linux it is asked for in huge pages
// (2 MB) where the system offers them on request, so filling a 32 MB window
// takes 16 page faults instead of 8192 - on a virtual machine each fault is
// dear. Elsewhere, and for small windows, it is plain heap memory.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace rar::codec {

struct WindowMemoryFree {
  size_t mapped = 0;  // bytes mapped (0: heap memory)
  void operator()(uint8_t* p) const;
};

using WindowMemory = std::unique_ptr<uint8_t[], WindowMemoryFree>;

// Uninitialised memory of `size` bytes, or null when there is none.
WindowMemory allocateWindow(size_t size);

}  // namespace rar::codec
