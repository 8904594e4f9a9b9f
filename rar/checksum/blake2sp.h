#pragma once
// BLAKE2sp (eight BLAKE2s leaves in parallel, one root), the optional data
// hash of RAR 5 members. Streaming: memory use does not depend on the input.

#include <array>
#include <cstddef>
#include <cstdint>

namespace rar {

using Blake2Digest = std::array<uint8_t, 32>;

class Blake2sp {
 public:
  Blake2sp();
  void update(const uint8_t* data, size_t size);
  Blake2Digest finish();

  struct State {
    std::array<uint32_t, 8> h{};
    std::array<uint32_t, 2> t{};
    std::array<uint32_t, 2> f{};
    std::array<uint8_t, 64> buffer{};
    size_t buffered = 0;
    bool lastNode = false;
  };

 private:
  std::array<State, 8> leaves_;
  State root_;
  std::array<uint8_t, 8 * 64> pending_{};  // input not yet dealt to the leaves
  size_t pendingSize_ = 0;
};

}  // namespace rar
