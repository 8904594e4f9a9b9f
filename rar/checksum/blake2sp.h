#pragma once
// BLAKE2sp (eight BLAKE2s leaves in parallel, one root), the optional data
// hash of RAR 5 members. Streaming: memory use does not depend on the input.
//
// Full stripes of the eight leaves are compressed four leaves at a time
// with SSE2 or SSSE3 when the processor has them (checked at run time, the
// portable code otherwise); every path gives the same digest.

#include <array>
#include <cstddef>
#include <cstdint>

namespace rar {

using Blake2Digest = std::array<uint8_t, 32>;

// The ways to compress full stripes, slowest first.
enum class Blake2Path { portable, sse2, ssse3 };

// True when this build and processor can run `path` (portable always).
bool blake2spSupports(Blake2Path path);
// The fastest path available; portable when the environment variable
// SETUPKIT_PORTABLE_CHECKSUMS is set (tests run the dispatch both ways).
Blake2Path blake2spBestPath();

class Blake2sp {
 public:
  Blake2sp();
  // A given path; one the processor cannot run falls back to the best
  // available one below it.
  explicit Blake2sp(Blake2Path path);
  void update(const uint8_t* data, size_t size);
  Blake2Digest finish();
  Blake2Path path() const { return path_; }

  struct State {
    std::array<uint32_t, 8> h{};
    std::array<uint32_t, 2> t{};
    std::array<uint32_t, 2> f{};
    std::array<uint8_t, 64> buffer{};
    size_t buffered = 0;
    bool lastNode = false;
  };

 private:
  void dealStripe(const uint8_t* stripe);

  Blake2Path path_;
  std::array<State, 8> leaves_;
  State root_;
  std::array<uint8_t, 8 * 64> pending_{};  // input not yet dealt to the leaves
  size_t pendingSize_ = 0;
};

}  // namespace rar
